#pragma once
// The expression language of the library, in one include: values and nodes, operators, function
// base classes, variables, user-defined functions, the function registry and the compiler.
#include "foundation/CustomFunction.h"
#include "foundation/ExpFunction.h"
#include "foundation/ExpOperators.h"
#include "foundation/ExpTranslator.h"
#include "foundation/ExpVariables.h"
#include "foundation/Expression.h"
#include "foundation/FunctionList.h"
#include "foundation/VarList.h"

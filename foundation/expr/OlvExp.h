#pragma once
// The expression language of the library, in one include: values and nodes, operators, function
// base classes, variables, user-defined functions, the function registry and the compiler.
#include "foundation/expr/CustomFunction.h"
#include "foundation/expr/ExpFunction.h"
#include "foundation/expr/ExpOperators.h"
#include "foundation/expr/ExpTranslator.h"
#include "foundation/expr/ExpVariables.h"
#include "foundation/expr/Expression.h"
#include "foundation/expr/FunctionList.h"
#include "foundation/expr/VarList.h"

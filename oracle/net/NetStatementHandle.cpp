#include "oracle/net/NetStatementHandle.h"

#include <algorithm>
#include <cstring>

namespace ora {
namespace {

template <class T>
sword Put(void* value, T v) {
  if (!value) return OCI_INVALID_HANDLE;
  std::memcpy(value, &v, sizeof v);
  return OCI_SUCCESS;
}

bool IsCursorType(std::uint16_t type) { return type == kTypeCursor || type == kTypeResultSet; }

constexpr std::int32_t kNoDescriptor = 24334;

}  // namespace

TNetParamDesc::TNetParamDesc(void* owner) : TNetHandle(owner) { handle = static_cast<TNetHandle*>(this); }

sword TNetParamDesc::AttrGet(ub4 attribute, void* value, ub4* size) {
  switch (attribute) {
    case OCI_ATTR_DATA_SIZE: return Put(value, ub2(std::clamp<std::int32_t>(maxSize, 0, 0xFFFF)));
    case OCI_ATTR_DATA_TYPE: return Put(value, ub2(type));
    case OCI_ATTR_NAME:
      if (size) *size = ub4(name.size());
      return Put(value, name.c_str());
    case OCI_ATTR_PRECISION: return Put(value, sb2(Precision));
    case OCI_ATTR_SCALE: return Put(value, sb1(Scale));
    case OCI_ATTR_IS_NULL: return Put(value, ub1(Nullable ? 1 : 0));
    default: return OCI_INVALID_HANDLE;
  }
}

sword TNetBind::AttrSet(ub4 attribute, void*, ub4, TNetError*) {
  // The client character set of one bind: the session's serves every bind.
  return attribute == OCI_ATTR_CHARSET_ID ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

void TNetBind::SetCallbacks(void* inContext, OCICallbackInBind in, void* outContext, OCICallbackOutBind out) {
  inContext_ = inContext;
  in_ = in;
  outContext_ = outContext;
  out_ = out;
  inCallback = in ? &TNetBind::In : nullptr;
  this->inContext = this;
  outCallback = out ? &TNetBind::Out : nullptr;
  this->outContext = this;
}

std::int32_t TNetBind::In(void* context, void* item, std::uint32_t iteration, std::uint32_t index, void** buffer,
                          std::uint32_t* length, std::uint8_t* piece, void** indicator) {
  auto* self = static_cast<TNetBind*>(context);
  return self->in_(self->inContext_, static_cast<OCIBind*>(item), iteration, index, buffer, length, piece, indicator);
}

std::int32_t TNetBind::Out(void* context, void* item, std::uint32_t iteration, std::uint32_t index, void** buffer,
                           std::uint32_t** length, std::uint8_t* piece, void** indicator, std::uint16_t** returnCode) {
  auto* self = static_cast<TNetBind*>(context);
  return self->out_(self->outContext_, static_cast<OCIBind*>(item), iteration, index, buffer, length, piece, indicator,
                    returnCode);
}

sword TNetDefine::AttrSet(ub4 attribute, void*, ub4, TNetError*) {
  return attribute == OCI_ATTR_CHARSET_ID ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

void TNetDefine::SetCallback(void* context, OCICallbackDefine callback) {
  context_ = context;
  callback_ = callback;
  outCallback = callback ? &TNetDefine::Out : nullptr;
  outContext = this;
}

std::int32_t TNetDefine::Out(void* context, void* item, std::uint32_t iteration, std::uint32_t, void** buffer,
                             std::uint32_t** length, std::uint8_t* piece, void** indicator,
                             std::uint16_t** returnCode) {
  auto* self = static_cast<TNetDefine*>(context);
  return self->callback_(self->context_, static_cast<OCIDefine*>(item), iteration, buffer, length, piece, indicator,
                         returnCode);
}

void TNetColumnDesc::Take(const TNetColumn& column) {
  name = column.name;
  type = column.type;
  maxSize = column.size;
  Precision = column.precision;
  Scale = column.scale;
  Nullable = column.nullable;
}

TNetStatement::~TNetStatement() {
  if (context_) context_->Detach(this);
}

std::uint16_t TNetStatement::FunctionCodeOf(std::uint8_t commandCode) {
  switch (commandCode) {
    case 2: return 3;
    case 3: return 4;
    case 6: return 5;
    case 7: return 9;
    case 44: return 54;
    case 45: return 55;
    case 47: return 34;
    case 48: return 144;
    case 51: return 139;
    case 52: return 192;
    default: return 0;
  }
}

sword TNetStatement::AttrGet(ub4 attribute, void* value, ub4*) {
  const TNetStatus& status = LastStatus();
  switch (attribute) {
    case OCI_ATTR_ROW_COUNT: return Put(value, ub4(status.rowsProcessed));
    case OCI_ATTR_SQLFNCODE: return Put(value, ub2(FunctionCodeOf(status.commandCode)));
    case OCI_ATTR_PARAM_COUNT: return Put(value, ub4(Columns().size()));
    case OCI_ATTR_ROWID: {
      TNetRowid* rowid = NetHandleAs<TNetRowid>(value);
      if (!rowid) return OCI_INVALID_HANDLE;
      rowid->Bytes = status.rowid;
      return OCI_SUCCESS;
    }
    case OCI_ATTR_STMT_TYPE: return Put(value, ub2(StatementType()));
    case OCI_ATTR_PARSE_ERROR_OFFSET: return Put(value, ub2(status.parseErrorOffset));
    default: return OCI_INVALID_HANDLE;
  }
}

sword TNetStatement::ParamGet(ub4 position, TNetHandle*& parameter, TNetError* error) {
  const std::vector<TNetColumn>& columns = Columns();
  if (position < 1 || position > columns.size()) {
    if (error) *error = {kNoDescriptor, "ORA-24334: no descriptor for this position"};
    return OCI_ERROR;
  }
  if (columnHandles_.size() < columns.size()) columnHandles_.resize(columns.size());
  std::unique_ptr<TNetColumnDesc>& slot = columnHandles_[position - 1];
  if (!slot) slot = std::make_unique<TNetColumnDesc>(static_cast<TNetHandle*>(this));
  // The column as described now: a statement prepared again describes other columns.
  slot->Take(columns[position - 1]);
  parameter = slot.get();
  return OCI_SUCCESS;
}

TNetBind* TNetStatement::BindNamed(const std::string& name) {
  const std::string wanted = !name.empty() && name[0] == ':' ? name.substr(1) : name;
  for (auto& bind : Binds())
    if (bind && bind->name == wanted) return dynamic_cast<TNetBind*>(bind.get());
  return nullptr;
}

TNetBind* TNetStatement::BindAt(std::size_t position) {
  if (position < 1 || position > Binds().size()) return nullptr;
  return dynamic_cast<TNetBind*>(Binds()[position - 1].get());
}

TNetDefine& TNetStatement::DefineHandleAt(std::size_t position) {
  std::vector<std::unique_ptr<TNetItem>>& defines = Defines();
  if (defines.size() < position) defines.resize(position);
  std::unique_ptr<TNetItem>& slot = defines[position - 1];
  if (!slot) slot = std::make_unique<TNetDefine>(static_cast<TNetHandle*>(this));
  return static_cast<TNetDefine&>(*slot);
}

int TNetStatement::PrepareText(const std::string& sql, TNetError& error) {
  return TNetSession::Guard(error, [&] {
    Prepare(sql);
    return 0;
  });
}

void TNetStatement::UseContext(TNetServiceContext* context) {
  if (context_ == context) return;
  if (context_) context_->Detach(this);
  context_ = context;
  if (context_) context_->Attach(this);
  SetSession(context_ ? &context_->Session() : nullptr);
}

void TNetStatement::ContextGone() {
  context_ = nullptr;
  SetSession(nullptr);
}

int TNetStatement::ExecuteOn(TNetServiceContext& context, TNetError& error, std::uint32_t iterations,
                             std::uint32_t mode) {
  UseContext(&context);
  const int result = (mode & OCI_DESCRIBE_ONLY) ? Describe(error) : Execute(error, iterations, mode);
  AdoptCursors();
  return result;
}

int TNetStatement::FetchRows(TNetError& error, std::uint32_t rows) {
  const int result = Fetch(error, rows);
  AdoptCursors();
  return result;
}

void TNetStatement::AdoptCursors() {
  if (!context_) return;
  auto adopt = [this](const TNetItem& item, std::uint32_t count) {
    if (!IsCursorType(item.type) || !item.value) return;
    const std::size_t skip = item.valueSkip ? item.valueSkip : sizeof(void*);
    for (std::uint32_t i = 0; i < count; ++i) {
      void* slot = static_cast<std::uint8_t*>(item.value) + skip * i;
      TNetStatement* cursor = NetHandleAs<TNetStatement>(*static_cast<void**>(slot));
      if (cursor && cursor != this && cursor->Session() == Session()) cursor->UseContext(context_);
    }
  };
  for (auto& bind : Binds())
    if (bind) adopt(*bind, bind->IsArray() ? bind->maxArrayLength : 1);
  for (auto& define : Defines())
    if (define) adopt(*define, RowsFetchedInLastCall());
}

std::unique_ptr<TNetItem> TNetStatement::NewItem() { return std::make_unique<TNetBind>(static_cast<TNetHandle*>(this)); }

TNetStatementState* TNetStatement::CursorIn(void* slot) { return NetHandleAs<TNetStatement>(*static_cast<void**>(slot)); }

TNetLob* TNetStatement::LobIn(void* slot) {
  TNetLobLocator* locator = NetHandleAs<TNetLobLocator>(*static_cast<void**>(slot));
  return locator ? &locator->Lob : nullptr;
}

}  // namespace ora

#pragma once
// TOraSQL: the Oracle statement component, a TCustomDASQL whose command is a TOCICommand and
// whose parameters are TOraParams. It is also the holder of the text, parameters and macros
// inside every Oracle dataset, and the statement runner of TOraSession::ExecSQL. Macros are cut
// with the Oracle lexer. Parameters go to the command's TOraParamDesc list with their Oracle
// types: texts with their size (or the session's longest string), tables and DML arrays with
// their length, value objects (LOBs, files, cursors, timestamps, intervals) as the objects
// themselves; output values come back after each execution, with the session's ConvertEOL.
//
// Without a session of its own it uses its owner dataset's, else the default session while
// DefaultSessionFallback is on.
//
// Ownership: owns its parameters and its command (unless the owner dataset's record set does);
// refers to its session. One thread.
#include <memory>
#include <string>

#include "dataaccess/DASQL.h"
#include "oracle/components/OraParams.h"

namespace ora {

class TOCICommand;
class TOraSession;

class TOraSQL : public da::TCustomDASQL {
 public:
  explicit TOraSQL(da::TCustomDADataSet* ownerDataSet = nullptr);
  ~TOraSQL() override;
  std::string ClassName() const override { return "TOraSQL"; }

  TOraSession* Session() const;
  void SetSession(TOraSession* session);
  TOraParams& Params() { return static_cast<TOraParams&>(da::TCustomDASQL::Params()); }
  TOraParam* FindParam(std::string_view name) { return Params().FindParam(name); }
  TOraParam& ParamByName(std::string_view name) { return Params().ParamByName(name); }
  bool NonBlocking() const { return nonBlocking_; }
  void SetNonBlocking(bool value);
  TOCICommand* OCICommand() const { return ociCommand_; }
  void AssignTo(TOraSQL& dest);

  void ExecuteIters(int iterations) override;
  void SetICommand(da::TVtCommand* command) override;
  void WriteParamDescs(bool withValues) override;
  void ReadParamValues() override;
  da::TCustomDAConnection* UsedConnection() const override;

 protected:
  void CreateICommand() override;
  std::unique_ptr<da::TParams> CreateParams() override { return std::make_unique<TOraParams>(); }
  void Disconnect() override;
  void ReadParamDescs() override;

 private:
  bool SessionConvertEOL() const;

  TOCICommand* ociCommand_ = nullptr;
  std::unique_ptr<TOCICommand> ownCommand_;
  bool nonBlocking_ = false;
};

}  // namespace ora

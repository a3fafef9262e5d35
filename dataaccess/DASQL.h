#pragma once
// TCustomDASQL: one SQL text without a result set, run through a server command (TVtCommand). It
// keeps the text, finds its "&" macros (Macros) and ":name" parameters (Params; ParamCheck), hands
// the final text (macros expanded) to the command, writes the parameters to the command, executes
// and reads output values back, reporting prepare and execute to the connection's SQL monitor.
// Every SQL dataset keeps one as the holder of its text, parameters and macros (the owner
// dataset): the dataset's record set then owns the command and the dataset makes the final text.
//
// A command that does not find parameters itself (prParamCheck false, as the test drivers and
// any positional driver) gets the text with each parameter replaced by "?" and one description
// per occurrence, in order; one that does gets the text as it stands and describes them.
//
// Extension points (virtual): CreateICommand, SetICommand, CreateParams, UsedConnection,
// Disconnect, InternalPrepare, InternalUnprepare, InternalExecute, ScanMacros, GetFinalSQL,
// ParseParams, ReadParamDescs, WriteParamDescs, ReadParamValues, Prepare, Unprepare, ExecuteIters.
//
// Errors: EDatabaseError "Connection is not defined."; driver errors pass through. Ownership: the
// component owns its parameters and macros, and its command unless an owner dataset's record set
// owns it; it refers to its connection. One thread.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dataaccess/DAComponent.h"
#include "dataaccess/DAMacros.h"
#include "dataaccess/Params.h"
#include "dataaccess/VtAccess.h"

namespace da {

class TCustomDAConnection;
class TCustomDADataSet;

class TCustomDASQL : public TDAComponent {
 public:
  using TAfterExecuteEvent = std::function<void(TDAComponent& sender, bool result)>;

  // ownerDataSet: the dataset whose SQL holder this is (its record set provides the command).
  explicit TCustomDASQL(TCustomDADataSet* ownerDataSet = nullptr);
  ~TCustomDASQL() override;
  std::string ClassName() const override { return "TCustomDASQL"; }

  TCustomDAConnection* Connection() const { return connection_; }
  void SetConnection(TCustomDAConnection* connection);

  const std::string& SQL() const { return sql_; }
  // A different text: the owner dataset is closed and unprepared (else this is unprepared), then
  // macros and parameters are found anew.
  void SetSQL(const std::string& text);
  TParams& Params();
  void SetParams(const TParams& source) { Params().AssignValues(source); }
  int ParamCount() { return Params().Count(); }
  TParam* FindParam(std::string_view name) { return Params().FindParam(name); }
  TParam& ParamByName(std::string_view name) { return Params().ParamByName(name); }
  Variant ParamValues(std::string_view names) { return Params().ParamValues(names); }
  void SetParamValues(std::string_view names, const Variant& value) { Params().SetParamValues(names, value); }
  TMacros& Macros() { return macros_; }
  TMacro& MacroByName(std::string_view name) { return macros_.MacroByName(name); }
  TMacro* FindMacro(std::string_view name) { return macros_.FindMacro(name); }
  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool value);
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool value);
  bool Debug = false;
  TAfterExecuteEvent AfterExecute;
  // Set on the SQL components the data-access layer makes for itself: they never report.
  bool NoMonitor = false;
  // Call the start-wait hook on execute.
  bool WaitFlag = true;

  void Execute() { ExecuteIters(1); }
  virtual void ExecuteIters(int iterations);
  virtual void Prepare();
  virtual void Unprepare();
  bool Prepared();
  // The command's rows processed by the last execution.
  int RowsAffected();
  // The text last handed to the command.
  const std::string& FinalSQL() const { return finalSQL_; }
  void AssignTo(TCustomDASQL& dest);

  // The server command (made through CreateICommand when first needed; the owner dataset's
  // record set's command for an internal holder).
  TVtCommand* ICommand();
  // Re-creates the command when it is not of the class the connection's server connection makes.
  void CheckICommand();
  virtual void SetICommand(TVtCommand* command);
  // Finds the parameters of the final text (see the header comment).
  virtual void ParseParams();
  virtual void WriteParamDescs(bool withValues);
  virtual void ReadParamValues();
  // The connection field, else the owner dataset's connection.
  virtual TCustomDAConnection* UsedConnection() const;
  TCustomDADataSet* OwnerDataSet() const { return ownerDataSet_; }

  const TCustomDAConnection* MonitorConnection() const override { return UsedConnection(); }
  bool MonitorDebug() const override { return Debug; }
  int MonitorRowsAffected() const override;

 protected:
  virtual void CreateICommand();
  virtual std::unique_ptr<TParams> CreateParams() { return std::make_unique<TParams>(); }
  virtual void Disconnect();
  virtual void InternalPrepare() { ICommand()->Prepare(); }
  virtual void InternalUnprepare() { ICommand()->Unprepare(); }
  virtual void InternalExecute(int iterations) { ICommand()->Execute(iterations); }
  virtual void ScanMacros();
  virtual std::string GetFinalSQL();
  virtual void ReadParamDescs();
  // "Connection is not defined."; connects; registers with a fallback connection.
  void CheckConnection();
  // A monitor report is due: not NoMonitor, and a monitor is active or Debug is on.
  bool ShouldReport() const;
  void DoAfterExecute(bool result);
  std::unique_ptr<TParams> params_;

 private:
  void SQLChanged();
  void MacrosChanged();
  void RegisterWith(TCustomDAConnection* connection);

  TCustomDAConnection* connection_ = nullptr;
  TCustomDAConnection* registered_ = nullptr;  // the connection this is a client of
  TCustomDADataSet* ownerDataSet_;
  std::string sql_;
  TMacros macros_;
  bool paramCheck_ = true;
  bool autoCommit_ = false;
  std::string finalSQL_;
  std::unique_ptr<TVtCommand> ownCommand_;
  TVtCommand* command_ = nullptr;
  bool madeCommand_ = false;
};

}  // namespace da

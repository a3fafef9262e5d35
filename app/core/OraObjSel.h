#pragma once
// The Oracle object picker ("Select Oracle Objects", SelectOraObjects) without a window: the
// database's users, one user's tables, and the chosen users or tables that fill the "OWNER",
// "TOUSER" and "TABLES" parameters of the Oracle schemes. The window (app/gui) shows the lists
// and calls these for its buttons; the result is the chosen list joined with ",".
//
// Ownership: the model keeps a reference to the session, which outlives it. Threads: the main
// thread; the main data module is used under the session's lock.
#include <string>
#include <vector>

namespace sch {

class TDMSession;

inline constexpr const char* kSelectorCaption = "Select Oracle Objects";

class TOraSelectorModel {
 public:
  explicit TOraSelectorModel(TDMSession& session) : session_(session) {}

  // A new use: the link fields take the login, the mode its page, and the chosen list of that
  // page the current value split at "," (empty pieces left out); then "Connect".
  void Open(const std::string& user, const std::string& password, const std::string& service, bool usersMode,
            const std::string& current);

  std::string Username, Password, Service;
  bool UsersMode() const { return usersMode_; }

  // "Connect": the main data module connected with the link fields and "Objects" filled with the
  // database's users; the status says "Connected" or "Connect Failed:" and the reason. Never raises.
  void Connect();
  const std::string& Status() const { return status_; }
  const std::vector<std::string>& Objects() const { return objects_; }

  // Clicking a user of "Objects": the source tables become that user's tables. Raises on a
  // database error (the lists stay as they were).
  void FocusUser(int index);
  const std::string& FocusedUser() const { return focusedUser_; }
  const std::vector<std::string>& SourceTables() const { return sourceTables_; }

  // ">" and "<" of "Select user": the selected entries of "Objects" not chosen yet are appended;
  // the selected chosen users are removed. Indexes out of range are ignored.
  void AddUsers(const std::vector<int>& selected);
  void RemoveUsers(const std::vector<int>& selected);
  // ">" and "<" of "Select tables": the selected source tables as USER.TABLE of the focused user,
  // unless chosen already; the selected chosen tables removed.
  void AddTables(const std::vector<int>& selected);
  void RemoveTables(const std::vector<int>& selected);

  const std::vector<std::string>& ChosenUsers() const { return chosenUsers_; }
  const std::vector<std::string>& ChosenTables() const { return chosenTables_; }
  // The page's chosen list joined with "," (what the parameter receives).
  std::string UsersText() const;
  std::string TablesText() const;
  std::string Result() const { return usersMode_ ? UsersText() : TablesText(); }

 private:
  TDMSession& session_;
  bool usersMode_ = true;
  std::string status_;
  std::vector<std::string> objects_, sourceTables_, chosenUsers_, chosenTables_;
  std::string focusedUser_;
};

}  // namespace sch

#include "app/core/OraObjSel.h"

#include <algorithm>
#include <exception>
#include <set>

#include "foundation/text/TextFields.h"
#include "app/core/DMSession.h"

namespace sch {

namespace {

std::vector<std::string> SplitValue(const std::string& value) {
  std::vector<std::string> parts, list;
  olv::SplitToStrings(value, ",", parts);
  for (auto& p : parts)
    if (!p.empty()) list.push_back(std::move(p));
  return list;
}

void AppendNew(std::vector<std::string>& list, const std::string& entry) {
  if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
}

void RemoveAt(std::vector<std::string>& list, const std::vector<int>& selected) {
  const std::set<int> drop(selected.begin(), selected.end());
  std::vector<std::string> kept;
  for (size_t i = 0; i < list.size(); ++i)
    if (!drop.count(static_cast<int>(i))) kept.push_back(std::move(list[i]));
  list = std::move(kept);
}

bool InRange(const std::vector<std::string>& list, int i) { return i >= 0 && static_cast<size_t>(i) < list.size(); }

}  // namespace

void TOraSelectorModel::Open(const std::string& user, const std::string& password, const std::string& service,
                             bool usersMode, const std::string& current) {
  Username = user;
  Password = password;
  Service = service;
  usersMode_ = usersMode;
  (usersMode ? chosenUsers_ : chosenTables_) = SplitValue(current);
  Connect();
}

void TOraSelectorModel::Connect() {
  plat::RecursiveMutexLock lock(session_.MainLock());
  try {
    TDM& dm = session_.Main();
    dm.Connect(Username, Password, Service);
    status_ = "Connected";
    objects_ = dm.Users();
  } catch (const std::exception& e) {
    status_ = std::string("Connect Failed:") + e.what();
  }
}

void TOraSelectorModel::FocusUser(int index) {
  if (!InRange(objects_, index)) return;
  const std::string user = objects_[static_cast<size_t>(index)];
  std::vector<std::string> tables;
  {
    plat::RecursiveMutexLock lock(session_.MainLock());
    tables = session_.Main().Tables(user);
  }
  focusedUser_ = user;
  sourceTables_ = std::move(tables);
}

void TOraSelectorModel::AddUsers(const std::vector<int>& selected) {
  for (int i : selected)
    if (InRange(objects_, i)) AppendNew(chosenUsers_, objects_[static_cast<size_t>(i)]);
}

void TOraSelectorModel::RemoveUsers(const std::vector<int>& selected) { RemoveAt(chosenUsers_, selected); }

void TOraSelectorModel::AddTables(const std::vector<int>& selected) {
  if (focusedUser_.empty()) return;
  for (int i : selected)
    if (InRange(sourceTables_, i)) AppendNew(chosenTables_, focusedUser_ + "." + sourceTables_[static_cast<size_t>(i)]);
}

void TOraSelectorModel::RemoveTables(const std::vector<int>& selected) { RemoveAt(chosenTables_, selected); }

std::string TOraSelectorModel::UsersText() const { return olv::JoinStrings(chosenUsers_, ","); }
std::string TOraSelectorModel::TablesText() const { return olv::JoinStrings(chosenTables_, ","); }

}  // namespace sch

#pragma once
// The data module (TDM): the application's door to the database, over one session and its one
// query (a TDMLink). Scripts around runs, the database character set before a run, and the Oracle
// tools' lists (character sets, users, tables) go through it.
//
// Texts are prepared before they are sent (PrepareSQL): comments removed, the macros of the
// calling thread's current list expanded (a run's own list on its thread, so "~NAME~" gives the
// run's parameter), blanks trimmed. Values a statement needs (a character-set name, a user) are
// bound, never formatted into the text, so a quote in them cannot change the statement.
//
// The client character set a connection asks for is the one NLS_LANG names in the settings store
// at the moment of connecting (clientCharset), so a reconnection takes a changed NLS_LANG.
//
// Ownership: the module owns its link. Threads: one thread at a time. The program keeps one
// module for the main thread (the tools, the character set read on a run's start) and gives each
// run's scripts a module of their own (TDMSession), so a run never executes on a connection
// another run or a tool has logged on as someone else.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/SchDMLink.h"

namespace sch {

class TDM {
 public:
  // clientCharset: the character set the client asks for on connecting (the part of NLS_LANG
  // after "."); null: the stored NLS_LANG of the settings store's client.
  explicit TDM(std::unique_ptr<TDMLink> link, std::function<std::string()> clientCharset = {});
  ~TDM();
  TDM(const TDM&) = delete;
  TDM& operator=(const TDM&) = delete;

  // Nothing when the user is empty. Connects when not connected, or when the server or the user
  // differs from the connection's (without regard to case); another password alone does not
  // reconnect. The direct network client is used when the server text holds ":" (host:port:SID).
  // Raises on failure.
  void Connect(const std::string& user, const std::string& password, const std::string& server);
  bool Connected() const;
  // The server text of the last login.
  const std::string& Server() const { return login_.server; }
  void Disconnect();
  // A server text of the direct network client: host, port and SID joined by ":".
  static bool IsNetServer(const std::string& server) { return server.find(':') != std::string::npos; }
  // Disconnects and connects again with the last login, so that the client character set of the
  // settings store is taken anew. Raises on failure; nothing when no login was given yet.
  void Reconnect();

  // Opens the prepared text with the bound values; false on any error (rows then empty).
  bool OpenQuery(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields,
                 TDMRows& rows);
  // Prepares the script, splits it at ";" outside quotes and executes each piece that is not
  // empty after removing trailing blanks, in order. Raises on the first failing piece; those
  // before it stay executed.
  void ExecScript(const std::string& script);

  // The valid character sets of the database in id order. False (list untouched) on failure.
  bool GetValidCharsets(std::vector<std::string>& list);
  // The id of a character-set name; 0 when unknown or on failure.
  int GetCharsetId(const std::string& name);
  // The name of a character-set id; empty when unknown or on failure.
  std::string GetCharsetName(int id);
  // The database character set; id and name left as they were on failure.
  bool GetDBCharset(std::uint16_t& id, std::string& name);
  // The database's users in name order, and the tables of one owner in name order (the object
  // picker's lists). Raise on failure.
  std::vector<std::string> Users();
  std::vector<std::string> Tables(const std::string& owner);

  // Comments removed (the three forms of StripComments), the current macro list expanded, blanks,
  // tabs, line ends and zero characters trimmed at both ends.
  static std::string PrepareSQL(const std::string& text);
  // A prepared script's statements: split at ";" outside quotes, trailing blanks removed, empty
  // pieces left out.
  static std::vector<std::string> SplitScript(const std::string& prepared);

  // The statements the module sends (the tests compare the stand-in's log with them).
  static const char* const kValidCharsetsSQL;
  static const char* const kCharsetIdSQL;
  static const char* const kCharsetNameSQL;
  static const char* const kDBCharsetSQL;
  static const char* const kUsersSQL;
  static const char* const kTablesSQL;

 private:
  TDMRows Rows(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields);

  std::unique_ptr<TDMLink> link_;
  std::function<std::string()> clientCharset_;
  TOracleLogin login_;
  bool hasLogin_ = false;
};

}  // namespace sch

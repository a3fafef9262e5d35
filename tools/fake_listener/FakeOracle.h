#pragma once
// The server side of the call protocol for the fake listener: a FakeService that gathers the
// client's messages across DATA packets (FakeTtc.h) and answers them as a small Oracle server:
// - the protocol negotiation (answering the configured version) and the data-type negotiation;
// - the two-phase logon, checking the password through the hash and the session key: 0, 1017
//   for a wrong user or password, or the 28002 warning for a user whose password is expiring;
// - open and close cursor, the combined call 71 (parse, execute, fetch in FetchRows batches,
//   1403 at the end), describe, commit (or the error the options give), rollback, logoff;
// - a break during a statement that never ends, answered with status 1013 after the reset.
//
// SQL it answers (case and blanks do not matter):
//   select <literals, sysdate, user, nls_charset_id('X'), nls_charset_name(N)> [alias] from dual
//   select value$ name,nls_charset_id(value$) id from sys.props$ ...   (the database character set)
//   select username from sys.dba_users ...                             (the users)
//   select id, name, created from fake_rows_<N>                        (N generated rows)
//   select body from longs  /  insert into longs (id, body) values (:id, :body)
//   alter session ...                                                  (accepted)
//   begin select version into :result from sys.product_component_version ...; end;
//   begin :r := :a + :b; end;                                          (out bind from in binds)
//   begin insert into <table> ... returning ... into :x; end;          (the next key, 1001 upward)
//   begin dbms_lock.sleep(...); end;                                   (never answers: for break)
//   begin insert into lobs (id, doc) values (:id, empty_clob()) returning doc into :doc; end;
//                                                                      (a new empty LOB for the id)
//   begin select doc into :doc from lobs where id = :id; end;          (the id's LOB)
//   begin :1 := dbms_lob.getLength(:2); end;  begin dbms_lob.trim(:1,:2); end;
//   begin dbms_lob.read(:1,:2,:3,:4); end;    begin dbms_lob.write(:1,:2,:3,:4); end;
//                                                                      (on the LOBs of this session)
// Anything else fails with 942 ("table or view does not exist"). A describe call (98) that
// carries its SQL describes that text, also on no cursor or on one never parsed.
// LOB locators are the fake's own bytes ("LOB:<n>:C" or "...:B"); a locator it did not hand
// out fails with 22275.
//
// Threads: one service per connection, called on that connection's thread; FakeOracleEvents is
// shared with the test and locked.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/fake_listener/FakeService.h"
#include "tools/fake_listener/FakeTtc.h"

namespace ora::fake {

struct FakeUser {
  std::string name;
  std::string password;
  bool expiring = false;  // logon succeeds with the 28002 warning
};

// What the test may wait for.
class FakeOracleEvents {
 public:
  void Note(const std::string& what);
  // Waits (bounded) until `what` has been noted; true when it was.
  bool WaitFor(const std::string& what, int milliseconds = 5000);
  std::vector<std::string> Seen() const;
  // CPU time the fake's session threads spent encoding fetched rows, and how many.
  void AddEncoding(long long nanoseconds, std::uint64_t rows);
  long long EncodingNanoseconds() const;
  std::uint64_t EncodedRows() const;

 private:
  long long encodingNs_ = 0;
  std::uint64_t encodedRows_ = 0;
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> seen_;
};

struct FakeOracleOptions {
  int protocolVersion = 6;  // 4, 5 or 6; anything else tests the client's refusal
  std::uint16_t charset = 873;
  std::vector<FakeUser> users = {{"SCOTT", "TIGER"}, {"AGING", "SOON", true}};
  // Called for each call 71 with the SQL of its cursor and the options word; bytes returned are
  // sent as the whole reply instead of the fake's own (for hostile replies).
  std::function<std::optional<Bytes>(const std::string& sql, std::uint32_t options)> script;
  // Every COMMIT is answered with this Oracle error (0: committed) and text.
  std::int64_t commitError = 0;
  std::string commitErrorText;
  // CLOBs in the lobs table at logon, by id.
  std::map<std::string, std::string> lobs;
  // The fake closes the connection in the middle of the fetch reply that would carry this row
  // (counted from 1 over the cursor's rows), right after the rows before it; 0: never.
  std::uint64_t hangUpAtRow = 0;
  // That hang-up is a reset (the client reads "connection reset") instead of an orderly close.
  bool hangUpWithReset = false;
  std::shared_ptr<FakeOracleEvents> events = std::make_shared<FakeOracleEvents>();
};

class FakeOracleService : public FakeService {
 public:
  explicit FakeOracleService(FakeOracleOptions options);
  ~FakeOracleService() override;

  void OnData(FakeSession& session, std::uint16_t dataFlags, const Bytes& payload) override;
  void OnInterrupted(FakeSession& session) override;

  // A status reply (message 4) in the fake's own encoding.
  static Bytes Status(std::int64_t code, const std::string& text = {}, std::uint32_t rows = 0,
                      std::uint8_t command = 0);

 private:
  struct Cursor;
  struct Item;

  bool HandleOne(FakeSession& session);
  Bytes Negotiate(TtcIn& in);
  Bytes NegotiateTypes(TtcIn& in);
  Bytes Call(TtcIn& in, FakeSession& session, bool& answer);
  Bytes Logon(TtcIn& in, bool phaseOne);
  Bytes AllInOne(TtcIn& in, bool& answer);
  Bytes Describe(TtcIn& in);
  Bytes DescribeOld(TtcIn& in);
  Bytes BindValues(TtcIn& in);
  Bytes FetchRows(Cursor& c, std::uint32_t rows);
  Bytes RunBlock(Cursor& c);
  Bytes BlockResult(Cursor& c);
  std::optional<Bytes> Parse(Cursor& c, const std::string& sql);
  // The dbms_lob blocks and the lobs table's blocks; nothing when the block is none of them.
  std::optional<Bytes> LobBlock(Cursor& c);
  std::string NewLob(bool character, const std::string& content);
  Bytes ExecuteDml(Cursor& c);
  void ReadValues(TtcIn& in, Cursor& c, const std::vector<bool>& which);
  Item ReadDescriptor(TtcIn& in);

  FakeOracleOptions options_;
  Bytes pending_;
  int phase_ = 0;  // 0 protocol, 1 data types, 2 calls
  std::map<std::uint32_t, std::unique_ptr<Cursor>> cursors_;
  std::uint32_t nextCursor_ = 1;
  std::uint32_t awaitingValues_ = 0;  // the cursor whose block waits for bind values
  bool interruptible_ = false;
  std::string user_;
  Bytes sessionKey_;
  std::map<std::string, std::string> longs_;  // longs table: id -> body
  std::int64_t nextKey_ = 1001;
  std::map<std::string, std::string> lobs_;    // locator text -> content
  std::map<std::string, std::string> lobIds_;  // id in the lobs table -> locator text
  int nextLob_ = 1;
  bool hangUp_ = false;  // close the connection once the reply is out
};

}  // namespace ora::fake

// The connection component: credentials, prompting, transactions, fatal errors that disconnect
// once, clients told of disconnects, and the connect dialog with its retries and stored logon.
#include <gtest/gtest.h>

#include <unistd.h>

#include <deque>
#include <filesystem>
#include <optional>

#include "dataaccess/ConnectDialog.h"
#include "dataaccess/ConnectForm.h"
#include "dataaccess/DADataSet.h"
#include "dataaccess/DASQL.h"
#include "platform/Registry.h"
#include "tests/dataaccess/SqliteSession.h"

namespace da {
namespace {

using testing::LostCode;
using testing::SqliteSession;

TEST(DAConnection, ChangingCredentialsDisconnectsOnlyForADifferentText) {
  SqliteSession session;
  session.SetUsername("scott");
  session.Connect();
  session.SetUsername("scott");
  EXPECT_TRUE(session.Connected());
  session.SetUsername("SCOTT");
  EXPECT_FALSE(session.Connected());
  session.Connect();
  session.SetServer("other");
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.Server(), "other");
}

TEST(DAConnection, TransactionsAndTheirErrors) {
  SqliteSession session;
  EXPECT_THROW(session.StartTransaction(), EDatabaseError);
  EXPECT_THROW(session.Commit(), EDatabaseError);
  session.Connect();
  session.Sql("CREATE TABLE t(a INTEGER)");
  session.StartTransaction();
  EXPECT_TRUE(session.InTransaction());
  EXPECT_FALSE(session.Db().AutoCommit);
  try {
    session.StartTransaction();
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "User transaction is already in progress.");
  }
  session.Sql("INSERT INTO t VALUES (1)");
  session.Rollback();
  EXPECT_TRUE(session.Rows("SELECT a FROM t").empty());
  EXPECT_TRUE(session.Db().AutoCommit);
  // A disconnect commits the open transaction.
  session.StartTransaction();
  session.Sql("INSERT INTO t VALUES (2)");
  session.Disconnect();
  EXPECT_FALSE(session.InTransaction());
  session.Connect();
  EXPECT_EQ(session.Rows("SELECT a FROM t"), std::vector<std::string>{"2"});
}

TEST(DAConnection, AFatalErrorDisconnectsOnceBeforeOnErrorRuns) {
  SqliteSession session;
  session.Connect();
  session.Sql("CREATE TABLE t(a INTEGER)");
  TCustomDADataSet ds;
  ds.SetConnection(&session);
  ds.SetSQL("SELECT a FROM t");
  ds.Open();
  int errors = 0, connectedInHandler = -1;
  session.OnError = [&](TCustomDAConnection& c, const EDAError& e, bool&) {
    ++errors;
    EXPECT_EQ(e.ErrorCode(), LostCode);
    connectedInHandler = c.Connected();  // the last call: the statement's own error
  };
  session.StartTransaction();
  session.Db().Lost = true;
  TCustomDASQL sql;
  sql.SetConnection(&session);
  sql.SetSQL("INSERT INTO t VALUES (1)");
  // The statement fails; the disconnect's commit of the open transaction fails as well, and that
  // second fatal error does not start another disconnect.
  EXPECT_THROW(sql.Execute(), EDAError);
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.Db().Disconnects, 1);
  EXPECT_EQ(errors, 2);
  EXPECT_EQ(connectedInHandler, 0);
  EXPECT_FALSE(ds.Active());  // the client was told
  EXPECT_FALSE(session.InTransaction());
  // Back on line, the session connects and works again.
  session.Db().Lost = false;
  session.Connect();
  sql.Execute();
  EXPECT_EQ(session.Rows("SELECT a FROM t"), std::vector<std::string>{"1"});
}

// The connect form as a test plays it: queued answers, recorded errors.
class ScriptedConnectForm : public IConnectFormView {
 public:
  std::optional<TConnectFormValues> Ask(const TCustomConnectDialog& dialog, const TConnectFormValues& values,
                                        const std::vector<std::string>&) override {
    Captions.push_back(dialog.Caption);
    Shown.push_back(values);
    if (Answers.empty()) return std::nullopt;
    auto answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void ShowError(const std::string& message) override { Errors.push_back(message); }
  std::deque<std::optional<TConnectFormValues>> Answers;
  std::vector<TConnectFormValues> Shown;
  std::vector<std::string> Captions, Errors;
};

// A session whose server refuses every password but "tiger".
class PickySession : public SqliteSession {
 public:
  int Attempts = 0;

 protected:
  void DoConnect() override {
    ++Attempts;
    if (Password() != "tiger") throw EDAError(1017, "ORA-01017: invalid username/password; logon denied");
    SqliteSession::DoConnect();
  }
};

class ConnectDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder);
    registry = std::make_unique<plat::Registry>(folder, plat::RegistrySeed{});
    dialog.Registry = registry.get();
    InstallConnectForm(&form);
    session.LoginPrompt = true;
    session.SetConnectDialog(&dialog);
  }
  void TearDown() override {
    InstallConnectForm(nullptr);
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("dacomp-dialog-" + std::to_string(::getpid()));
  std::unique_ptr<plat::Registry> registry;
  ScriptedConnectForm form;
  TCustomConnectDialog dialog;
  PickySession session;
};

TEST_F(ConnectDialogTest, ConnectRetriesThroughTheFormAndRemembersTheLogon) {
  int beforeConnect = 0;
  session.BeforeConnect = [&](TCustomDAConnection&) { ++beforeConnect; };
  form.Answers = {TConnectFormValues{"scott", "lion", "db1"}, TConnectFormValues{"scott", "tiger", "db1"}};
  session.Connect();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.Attempts, 2);
  EXPECT_EQ(beforeConnect, 1);  // not again for the retry
  ASSERT_EQ(form.Errors.size(), 1u);
  EXPECT_EQ(form.Errors[0], "ORA-01017: invalid username/password; logon denied");
  EXPECT_EQ(form.Captions[0], "Connect");
  EXPECT_EQ(registry->GetValue(plat::Registry::kCurrentUser, "Connect", "Username")->data, "scott");
  EXPECT_EQ(registry->GetValue(plat::Registry::kCurrentUser, "Connect", "Server1")->data, "db1");

  // Next time the form starts from the stored user name and server; the password is not kept.
  session.Disconnect();
  session.SetUsername("");
  session.SetServer("");
  form.Answers = {std::nullopt};
  EXPECT_THROW(session.Connect(), EAbort);
  ASSERT_EQ(form.Shown.size(), 3u);
  EXPECT_EQ(form.Shown[2].Username, "scott");
  EXPECT_EQ(form.Shown[2].Server, "db1");
  EXPECT_EQ(form.Shown[2].Password, "");
  // A cancelled dialog puts the connection's own values back.
  EXPECT_EQ(session.Username(), "");
  EXPECT_EQ(session.Password(), "tiger");
}

TEST_F(ConnectDialogTest, RetriesEndAfterTheDialogsCount) {
  dialog.Retries = 2;
  form.Answers = {TConnectFormValues{"a", "1", "s"}, TConnectFormValues{"a", "2", "s"},
                  TConnectFormValues{"a", "tiger", "s"}};
  EXPECT_THROW(session.Connect(), EAbort);
  EXPECT_EQ(session.Attempts, 2);
  EXPECT_FALSE(session.Connected());
}

TEST_F(ConnectDialogTest, WithoutAFormTheDialogSaysNoAndWithoutPromptNoDialogRuns) {
  InstallConnectForm(nullptr);
  session.SetUsername("u");
  session.SetPassword("tiger");
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(session.Username(), "u");
  EXPECT_EQ(session.Password(), "tiger");
  session.LoginPrompt = false;
  session.Connect();
  EXPECT_TRUE(session.Connected());
  TCustomConnectDialog loose;
  try {
    loose.Execute();
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Connection is not defined.");
  }
}

TEST(ConnectDialog, CaptionsByLanguage) {
  TCustomConnectDialog dialog;
  EXPECT_EQ(dialog.UsernameLabel, "User Name");
  dialog.SetLanguage(3);
  EXPECT_EQ(dialog.Caption, "Anmeldung");
  EXPECT_EQ(dialog.CancelButton, "Abbrechen");
  dialog.SetLanguage(0);
  EXPECT_EQ(dialog.Caption, "Anmeldung");
  dialog.SetLanguage(7);
  EXPECT_EQ(dialog.ServerLabel, "Сервер");
}

TEST(DAConnection, DestroyingTheConnectionLeavesItsClientsWithout) {
  auto session = std::make_unique<SqliteSession>();
  TCustomDASQL sql;
  TCustomDADataSet ds;
  TCustomConnectDialog dialog;
  sql.SetConnection(session.get());
  ds.SetConnection(session.get());
  session->SetConnectDialog(&dialog);
  session.reset();
  EXPECT_EQ(sql.Connection(), nullptr);
  EXPECT_EQ(ds.Connection(), nullptr);
  EXPECT_EQ(dialog.Connection(), nullptr);
  EXPECT_THROW(ds.Open(), EDatabaseError);
}

}  // namespace
}  // namespace da

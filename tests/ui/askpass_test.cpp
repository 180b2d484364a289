// The desktop program as ssh's askpass: ssh's prompt in a dialog, the answer
// on standard output; an unknown host key is named as such and is trusted only
// by its own button.
#include "support/scripted_dialogs.h"
#include "ui/dialogs/askpass_dialog.h"
#include "ui/startup/own_askpass.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace orvel {
namespace {

const QString kHostKey = QStringLiteral(
    "The authenticity of host '[127.0.0.1]:2222 ([127.0.0.1]:2222)' can't be established.\n"
    "ED25519 key fingerprint is SHA256:8e3uYkS1kE0Vb2xWl7p0JqZb6uJ5x3qf0hJ2m3o4p5A.\n"
    "Are you sure you want to continue connecting (yes/no/[fingerprint])? ");
const QString kPassword = QStringLiteral("user@host's password: ");

// What RunAskpass returned and printed, the dialog driven by `drive`.
std::pair<int, std::string> Ask(const QString& prompt, const std::function<void(ui::AskpassDialog&)>& drive) {
  test::ScriptedDialogs dialogs;
  dialogs.modal.push_back([&](QDialog& dialog) {
    dialog.show();
    drive(dynamic_cast<ui::AskpassDialog&>(dialog));
    return dialog.result();
  });
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = ::open_memstream(&buffer, &size);
  const int status = ui::RunAskpass(prompt, {}, dialogs, out);
  std::fclose(out);
  std::string printed(buffer, size);
  std::free(buffer);
  return {status, printed};
}

TEST(AskpassTest, APasswordIsTypedUnseenAndPrinted) {
  const auto typed = Ask(kPassword, [&](ui::AskpassDialog& dialog) {
    EXPECT_EQ(dialog.Prompt()->text(), kPassword);
    ASSERT_NE(dialog.Edit(), nullptr);
    EXPECT_EQ(dialog.Edit()->echoMode(), QLineEdit::Password);
    QTest::keyClicks(dialog.Edit(), QStringLiteral("s3cret <x>"));
    QTest::keyClick(dialog.Edit(), Qt::Key_Return);
  });
  EXPECT_EQ(typed, std::make_pair(0, std::string("s3cret <x>\n")));
  // Cancel prints nothing: ssh takes it as no answer.
  const auto cancelled = Ask(kPassword, [](ui::AskpassDialog& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); });
  EXPECT_EQ(cancelled, std::make_pair(1, std::string()));
}

TEST(AskpassTest, AnUnknownHostKeyIsNamedAndReturnDoesNotTrustIt) {
  EXPECT_EQ(ui::AskpassKindOf(QStringLiteral("Allow use of key?"), QStringLiteral("confirm")), ui::AskpassKind::Confirm);
  const auto returned = Ask(kHostKey, [](ui::AskpassDialog& dialog) {
    EXPECT_EQ(dialog.Kind(), ui::AskpassKind::HostKey);
    EXPECT_TRUE(dialog.Heading()->text().contains(QStringLiteral("ホストの鍵"))) << dialog.Heading()->text().toStdString();
    EXPECT_EQ(dialog.Prompt()->text(), kHostKey);  // the fingerprint as ssh wrote it
    QTest::keyClick(&dialog, Qt::Key_Return);
  });
  EXPECT_EQ(returned, std::make_pair(1, std::string()));
  const auto trusted = Ask(kHostKey, [](ui::AskpassDialog& d) { QTest::mouseClick(d.OkButton(), Qt::LeftButton); });
  EXPECT_EQ(trusted, std::make_pair(0, std::string("yes\n")));
}

TEST(AskpassTest, SshIsToldToAskThisProgram) {
  EXPECT_TRUE(ui::AskpassEnvironment(false).empty());  // not before the program names itself
  EXPECT_FALSE(ui::IsAskpassCall(3, "1"));
  EXPECT_TRUE(ui::IsAskpassCall(2, "1"));
  ui::UseOwnAskpass("/opt/orvel/bin/orvel");
  EXPECT_EQ(ui::AskpassEnvironment(false), (std::vector<std::string>{"SSH_ASKPASS=/opt/orvel/bin/orvel",
                                                                      "ORVEL_ASKPASS=1", "SSH_ASKPASS_REQUIRE=force"}));
  EXPECT_EQ(ui::AskpassEnvironment(true).back(), "SSH_ASKPASS_REQUIRE=prefer");
}

}  // namespace
}  // namespace orvel

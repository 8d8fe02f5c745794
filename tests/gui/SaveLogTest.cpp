#include "tests/gui/GuiTestSupport.h"

#include "songbuilder/SongBuilder.h"
#include "ui/HexView.h"
#include "ui/LoaderLog.h"
#include "windows/FileMap.h"

#include <QDir>
#include <QFile>
#include <QListView>

#include <sys/fsuid.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

class SaveLogTest : public MainWindowTest {
 protected:
  void SetLog(const std::vector<std::string>& lines) {
    TLogLines log;
    for (const std::string& line : lines) log.Append(line);
    LogModelOf(window->LoaderMessages)->SetLines(std::move(log));
  }

  QByteArray SaveTo(const QString& path) {
    dialogs.saveAnswers.push_back(path);
    window->BtnSaveLoaderMessagesClick();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray("<no file>");
    return file.readAll();
  }

  static void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
};

TEST_F(SaveLogTest, EachLineEndsWithCrLfInOneBytePerCharacter) {
  SetLog({"a", "b"});
  EXPECT_EQ(SaveTo(folder.filePath("log.txt")), QByteArray("a\r\nb\r\n"));
  ASSERT_EQ(dialogs.saveCalls.size(), 1u);
  EXPECT_EQ(dialogs.saveCalls[0].title, "Save Log");
  EXPECT_EQ(dialogs.saveCalls[0].filters, QStringList({"*.txt (*.txt)", "*.log (*.log)", "*.* (*)"}));
  EXPECT_EQ(dialogs.saveCalls[0].defaultSuffix, "txt");

  // The song's 8-bit texts go back as the bytes they were.
  SetLog({"Stra\xDF" "e \xE9t\xE9"});
  EXPECT_EQ(SaveTo(folder.filePath("latin1.txt")), QByteArray("Stra\xDF" "e \xE9t\xE9\r\n"));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SaveLogTest, EmptyLogReplacesAFileWithAnEmptyOne) {
  const QString path = folder.filePath("empty.txt");
  WriteFile(path, "old content");
  EXPECT_EQ(SaveTo(path), QByteArray());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SaveLogTest, UnwritablePlaceReportsTheFailureAndKeepsTheList) {
  SetLog({"a", "b"});
  EXPECT_EQ(SaveTo(folder.filePath("no/such/folder/log.txt")), QByteArray("<no file>"));
  // A folder where the file should be.
  QDir(folder.path()).mkdir("taken.txt");
  SaveTo(folder.filePath("taken.txt"));
  EXPECT_EQ(dialogs.messages, (std::vector<QString>{"Error while saving!", "Error while saving!"}));
  EXPECT_EQ(LogModelOf(window->LoaderMessages)->Lines().ToVector(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(window->LoaderMessages->model()->rowCount(), 2);
}

TEST_F(SaveLogTest, FailedWriteLeavesTheOldFileUntouched) {
  const QString path = folder.filePath("old.txt");
  WriteFile(path, "old content");
  SetLog(std::vector<std::string>(20000, std::string(40, 'x')));

  dialogs.saveAnswers.push_back(path);
  {
    const FileSizeLimit limit(64 * 1024);
    window->BtnSaveLoaderMessagesClick();
  }

  EXPECT_EQ(dialogs.messages, std::vector<QString>{"Error while saving!"});
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("old content"));
}

// While it lives, file permissions hold for this thread as for a user
// without privileges: root may write in any folder.
class WithoutPrivileges {
 public:
  WithoutPrivileges() : root_(::geteuid() == 0) {
    if (root_) ::setfsuid(65534);
  }
  ~WithoutPrivileges() {
    if (root_) ::setfsuid(0);
  }
  WithoutPrivileges(const WithoutPrivileges&) = delete;
  WithoutPrivileges& operator=(const WithoutPrivileges&) = delete;

 private:
  bool root_;
};

TEST_F(SaveLogTest, WritableFileInAReadOnlyFolderIsWrittenInPlace) {
  constexpr QFile::Permissions ReadAndEnter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
  ASSERT_TRUE(QDir(folder.path()).mkdir("locked"));
  const QString path = folder.filePath("locked/log.txt");
  const QString selection = folder.filePath("locked/selection.bin");
  for (const QString& file : {path, selection}) {
    WriteFile(file, "old content");
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
  }
  // The File Map's Save Selection writes in place as well.
  const QString song = WriteSong(SongBuilder().Version(0x6105).EndOfSong());
  PickAndLoad(song);
  window->ShowFileMap();
  window->FileMap()->HexView->Select(0, 4);
  ASSERT_TRUE(QFile::setPermissions(folder.path(), ReadAndEnter | QFile::WriteOwner));
  ASSERT_TRUE(QFile::setPermissions(folder.filePath("locked"), ReadAndEnter));
  SetLog({"a", "b"});
  QByteArray saved;
  {
    const WithoutPrivileges user;
    saved = SaveTo(path);
    dialogs.saveAnswers.push_back(selection);
    window->FileMap()->SaveSelection();
  }
  QFile::setPermissions(folder.filePath("locked"), ReadAndEnter | QFile::WriteOwner);
  EXPECT_EQ(saved, QByteArray("a\r\nb\r\n"));
  QFile written(selection), original(song);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), original.read(4));
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace tarvo::testing

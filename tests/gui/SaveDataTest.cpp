#include "tests/gui/GuiTestSupport.h"

#include "songfile/KvsChunk.h"
#include "songfile/KvsLoader.h"
#include "songbuilder/SongBuilder.h"
#include "windows/DataViewer.h"

#include <QBoxLayout>
#include <QFile>
#include <QPushButton>
#include <QTableView>

#include <cstdint>
#include <memory>
#include <vector>

namespace tarvo::testing {
namespace {

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<no file>");
  return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray BytesOf(const TKvsChunk& chunk) {
  return QByteArray(reinterpret_cast<const char*>(chunk.Data.data()), static_cast<qsizetype>(chunk.Data.Size()));
}

class SaveDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    ASSERT_TRUE(folder.isValid());
    SetDialogs(&dialogs);
    // Every byte value, and more bytes than the file-size limit below lets through.
    bytes.resize(100000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    // The stated size may differ from the bytes held; the bytes held are saved.
    chunk.Data = TKvsByteStream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    viewer = std::make_unique<TFrmDataViewer>(nullptr);
    viewer->ShowChunk(nullptr, chunk);
  }
  void TearDown() override {
    viewer.reset();
    SetDialogs(nullptr);
  }

  void SaveTo(const QString& path) {
    dialogs.saveAnswers.push_back(path);
    viewer->BtnSaveData->click();
  }

  QTemporaryDir folder;
  ScriptedDialogs dialogs;
  std::vector<std::uint8_t> bytes;
  TKvsChunk chunk{0x42, 200000};
  std::unique_ptr<TFrmDataViewer> viewer;
};

TEST_F(SaveDataTest, FileHoldsExactlyTheChunksBytes) {
  const QString path = folder.filePath("chunk.bin");
  SaveTo(path);
  EXPECT_EQ(ReadFile(path), BytesOf(chunk));
  ASSERT_EQ(dialogs.saveCalls.size(), 1u);
  EXPECT_EQ(dialogs.saveCalls[0].title, "Save Chunk Data");
  EXPECT_EQ(dialogs.saveCalls[0].filters, QStringList{"All Files (*)"});
  EXPECT_EQ(dialogs.saveCalls[0].defaultSuffix, "");
  EXPECT_TRUE(dialogs.messages.empty());

  // Saving again replaces the file whole; an empty chunk gives an empty file.
  WriteFile(path, QByteArray(300000, 'x'));
  SaveTo(path);
  EXPECT_EQ(ReadFile(path), BytesOf(chunk));
  const TKvsChunk empty(0x42, 0);
  viewer->ShowChunk(nullptr, empty);
  SaveTo(path);
  EXPECT_EQ(ReadFile(path), QByteArray());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SaveDataTest, CancelWritesNothing) {
  viewer->BtnSaveData->click();  // nothing queued: the dialog is cancelled
  EXPECT_EQ(dialogs.saveCalls.size(), 1u);
  EXPECT_TRUE(FolderEntries(folder.path()).isEmpty());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SaveDataTest, FailedSaveShowsTheMessageAndLeavesNoPartialFile) {
  // A folder where the file should be.
  QDir(folder.path()).mkdir("taken");
  SaveTo(folder.filePath("taken"));
  EXPECT_EQ(dialogs.messages, std::vector<QString>{"Error while saving!"});

  // A write that fails half-way, as on a full disk.
  const QString path = folder.filePath("old.bin");
  WriteFile(path, "old content");
  dialogs.saveAnswers.push_back(path);
  {
    const FileSizeLimit limit(64 * 1024);
    viewer->BtnSaveData->click();
  }
  EXPECT_EQ(dialogs.messages, (std::vector<QString>{"Error while saving!", "Error while saving!"}));
  EXPECT_EQ(ReadFile(path), QByteArray("old content"));
  EXPECT_EQ(FolderEntries(folder.path()), (QStringList{"old.bin", "taken"}));

  // The same with no file there before: none is left behind.
  dialogs.saveAnswers.push_back(folder.filePath("new.bin"));
  {
    const FileSizeLimit limit(64 * 1024);
    viewer->BtnSaveData->click();
  }
  EXPECT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(FolderEntries(folder.path()), (QStringList{"old.bin", "taken"}));
}

TEST(SaveDataButton, SitsLeftOfCloseAndWaitsForAChunk) {
  TestApplication();
  TFrmDataViewer viewer(nullptr);
  EXPECT_EQ(viewer.BtnSaveData->text(), "Save Data...");
  EXPECT_FALSE(viewer.BtnSaveData->isEnabled());
  auto* const strip = viewer.layout()->itemAt(viewer.layout()->count() - 1)->layout();
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->indexOf(viewer.BtnClose), strip->indexOf(viewer.BtnSaveData) + 1);
}

TEST_F(MainWindowTest, SaveDataOfAModulesChunkFromTheViewer) {
  PickAndLoad(WriteSong(EveryChunkSong()));
  const TKvsLoader& song = *window->Loader();
  const TKvsChunk& chunk = song.Chunks()[static_cast<std::size_t>(song.Modules()[0]->ChunkIndex())];
  ASSERT_GT(chunk.Data.Size(), 0);
  const QString path = folder.filePath("module.bin");
  dialogs.onExec = [&](QDialog& dialog) {
    dialogs.saveAnswers.push_back(path);
    static_cast<TFrmDataViewer&>(dialog).BtnSaveData->click();
  };
  List("LstModules")->selectRow(0);
  window->LstModulesDblClick();
  EXPECT_EQ(ReadFile(path), BytesOf(chunk));
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace tarvo::testing

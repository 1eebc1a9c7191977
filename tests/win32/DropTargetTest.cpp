// Drag-and-drop through the drop target the child window registers: the
// effects shown while dragging, text and file lists handed to the frame,
// shortcut files resolved to their targets, refused drops answered as none.
#include <gtest/gtest.h>
#include <ole2.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "gui/win32/DropTarget.h"
#include "tests/win32/BackendProbes.h"
#include "tests/win32/TestDataObject.h"

namespace brisko::wintest {
namespace {

// Covers any cursor position: drops land where the cursor is.
constexpr Rect kEverywhere{-100000, -100000, 100000, 100000};

std::string tempPath(const char* name) {
  char directory[MAX_PATH];
  GetTempPathA(MAX_PATH, directory);
  return std::string(directory) + name;
}

std::string longPath(const std::string& path) {
  char full[MAX_PATH] = {};
  GetLongPathNameA(path.c_str(), full, MAX_PATH);
  return full;
}

bool makeShortcut(const std::string& link, const std::string& target) {
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink))))
    return false;
  IPersistFile* file = nullptr;
  bool saved = false;
  shellLink->SetPath(target.c_str());
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    saved = SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
  }
  shellLink->Release();
  return saved;
}

void touch(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);
}

class DropTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    setup = std::make_unique<FrameInHost>(true, kEverywhere);
    target = static_cast<IDropTarget*>(GetPropA(setup->child(), "OleDropTargetInterface"));
    ASSERT_NE(target, nullptr) << "no drop target registered on the child window";
  }
  void TearDown() override {
    setup.reset();
    OleUninitialize();
  }

  // DragEnter, then Drop; answers the effect Drop leaves.
  DWORD dragAndDrop(TestDataObject* data, DWORD keys = 0) {
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target->DragEnter(data, keys, {5, 5}, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(target->Drop(data, keys, {5, 5}, &effect), S_OK);
    return effect;
  }

  std::unique_ptr<FrameInHost> setup;
  IDropTarget* target = nullptr;
};

TEST_F(DropTargetTest, EffectIsCopyWithControlMoveWithoutAndNoneForOtherData) {
  TestDataObject* text = TestDataObject::text("abc");
  TestDataObject* image = TestDataObject::image();
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragEnter(text, 0, {0, 0}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
  EXPECT_EQ(target->DragOver(MK_CONTROL, {1, 1}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(target->DragLeave(), S_OK);
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->DragEnter(image, MK_CONTROL, {0, 0}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(target->DragOver(0, {1, 1}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->DragEnter(nullptr, 0, {0, 0}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(dragAndDrop(image), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(setup->probe->dropType, -1);
  text->Release();
  image->Release();
}

TEST_F(DropTargetTest, TextArrivesTerminatedWithItsSize) {
  TestDataObject* text = TestDataObject::text("hello");  // no terminator in the data
  EXPECT_EQ(dragAndDrop(text, MK_CONTROL), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(text->dataRequests, 1);
  EXPECT_EQ(setup->probe->dropType, 1);
  EXPECT_EQ(setup->probe->dropCount, 5);
  ASSERT_EQ(setup->probe->dropped.size(), 1u);
  EXPECT_EQ(setup->probe->dropped[0], "hello");
  text->Release();
}

TEST_F(DropTargetTest, FileListWithShortcutsResolvedOnlyForALnkExtension) {
  const std::string targetFile = tempPath("brisko-drop-target.txt");
  const std::string shortcut = tempPath("BRISKO-DROP.LNK");
  touch(targetFile);
  ASSERT_TRUE(makeShortcut(shortcut, targetFile));
  const std::string plain = tempPath("notes.lnk.txt");
  const std::vector<std::string> names{plain, shortcut, "C:\\no-dot-here"};
  TestDataObject* files = TestDataObject::files(names);
  EXPECT_EQ(dragAndDrop(files), static_cast<DWORD>(DROPEFFECT_MOVE));
  EXPECT_EQ(setup->probe->dropType, 0);
  EXPECT_EQ(setup->probe->dropCount, 3);
  ASSERT_EQ(setup->probe->dropped.size(), 3u);
  EXPECT_EQ(setup->probe->dropped[0], plain);
  EXPECT_EQ(lstrcmpiA(longPath(setup->probe->dropped[1]).c_str(), longPath(targetFile).c_str()), 0)
      << setup->probe->dropped[1];
  EXPECT_EQ(setup->probe->dropped[2], "C:\\no-dot-here");
  files->Release();
  DeleteFileA(shortcut.c_str());
  DeleteFileA(targetFile.c_str());
}

TEST_F(DropTargetTest, RefusedDropAnswersNoEffect) {
  setup->probe->acceptDrops = false;
  TestDataObject* text = TestDataObject::text("refused");
  EXPECT_EQ(dragAndDrop(text), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(setup->probe->dropped.size(), 1u);
  // While a view has the focus the frame refuses without asking anyone.
  setup->probe->acceptDrops = true;
  setup->probe->dropped.clear();
  setup->frame->setFocusView(setup->probe);
  EXPECT_EQ(dragAndDrop(text), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(setup->probe->dropped.empty());
  setup->frame->setFocusView(nullptr);
  text->Release();
}

// A drag still under way when the editor closes: the system's drag loop
// keeps its reference to the drop target, which then has no frame to give
// the drop to and refuses it.
TEST_F(DropTargetTest, DropArrivingAfterTheFrameWentIsRefused) {
  TestDataObject* text = TestDataObject::text("late");
  target->AddRef();
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragEnter(text, 0, {5, 5}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
  delete setup->frame;
  setup->frame = nullptr;
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragOver(0, {5, 5}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->Drop(text, 0, {5, 5}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  target->Release();
  text->Release();
}

TEST(ResolveShortcut, LeavesOtherNamesAndBrokenShortcutsAlone) {
  OleInitialize(nullptr);
  char target[64] = "unchanged";
  EXPECT_FALSE(win32::resolveShortcut("C:\\windows", target, sizeof target));
  EXPECT_FALSE(win32::resolveShortcut("C:\\file.lnk.txt", target, sizeof target));
  EXPECT_FALSE(win32::resolveShortcut(tempPath("missing-file.lnk").c_str(), target, sizeof target));
  const std::string garbage = tempPath("garbage.lnk");
  HANDLE file = CreateFileA(garbage.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, "not a shortcut", 14, &written, nullptr);
  CloseHandle(file);
  EXPECT_FALSE(win32::resolveShortcut(garbage.c_str(), target, sizeof target));
  EXPECT_STREQ(target, "unchanged");
  DeleteFileA(garbage.c_str());

  // A target longer than the buffer is refused rather than cut.
  const std::string targetFile = tempPath("brisko-long-target-name.txt");
  const std::string link = tempPath("short.lnk");
  touch(targetFile);
  ASSERT_TRUE(makeShortcut(link, targetFile));
  char small[8] = "keep";
  EXPECT_FALSE(win32::resolveShortcut(link.c_str(), small, sizeof small));
  EXPECT_STREQ(small, "keep");
  char large[1024] = {};
  EXPECT_TRUE(win32::resolveShortcut(link.c_str(), large, sizeof large));
  DeleteFileA(link.c_str());
  DeleteFileA(targetFile.c_str());
  OleUninitialize();
}

}  // namespace
}  // namespace brisko::wintest

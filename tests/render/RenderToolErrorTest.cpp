// brisko-render's failures: a one-line message, a non-zero status, and no
// output file (nor a temporary one) left behind; the input is never written.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/render/ToolRun.h"

namespace brisko::render::test {
namespace {

struct ErrorCase {
  const char* what;
  std::vector<std::string> args;  // "IN", "OUT", "FOLDER" are replaced by paths
  const char* message;            // expected part of the one line on stderr
};

class RenderToolErrors : public ::testing::TestWithParam<ErrorCase> {
 protected:
  void SetUp() override {
    writeStereoFloat(folder_.path("in.wav"), noise(3000, 1), noise(3000, 2));
    std::FILE* text = std::fopen(folder_.path("notes.txt").c_str(), "w");
    std::fputs("not audio\n", text);
    std::fclose(text);
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 3;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(folder_.path("three.wav").c_str(), SFM_WRITE, &info);
    const short frame[3] = {1, 2, 3};
    sf_writef_short(file, frame, 1);
    sf_close(file);
    std::filesystem::create_directory(folder_.path("folder"));
    ASSERT_EQ(mkfifo(folder_.path("pipe").c_str(), 0600), 0);
  }
  ScratchFolder folder_;
};

TEST_P(RenderToolErrors, FailsCleanly) {
  const ErrorCase& c = GetParam();
  std::vector<std::string> args;
  for (const std::string& arg : c.args)
    args.push_back(arg == "IN" ? folder_.path("in.wav") : arg == "OUT" ? folder_.path("out.wav")
                   : arg.rfind("FOLDER/", 0) == 0 ? folder_.path(arg.substr(7)) : arg);
  const std::vector<std::string> before = folder_.entries();
  const std::string input = fileBytes(folder_.path("in.wav"));
  const ToolResult result = runTool(args);
  EXPECT_NE(result.status, 0);
  EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "not one line: " << result.err;
  EXPECT_EQ(folder_.entries(), before) << "left a file behind";
  EXPECT_TRUE(fileBytes(folder_.path("in.wav")) == input);
}

const ErrorCase kCases[] = {
    {"MissingInput", {"FOLDER/absent.wav", "OUT"}, "cannot read"},
    {"InputIsAFolder", {"FOLDER/folder", "OUT"}, "cannot read"},
    {"NotAudio", {"FOLDER/notes.txt", "OUT"}, "cannot read"},
    {"ThreeChannels", {"FOLDER/three.wav", "OUT"}, "has 3 channels; mono or stereo is rendered"},
    {"UnknownName", {"--set", "Volume=0.5", "IN", "OUT"}, "unknown parameter 'Volume'; valid names: \"Delay time\""},
    {"IndexOutOfRange", {"--set", "6=0.5", "IN", "OUT"}, "parameter index 6 is out of range; valid names:"},
    {"ValueNotANumber", {"--set", "Feedback=half", "IN", "OUT"}, "is not a number"},
    {"ValueAboveOne", {"--set", "Feedback=2", "IN", "OUT"}, "outside 0 to 1"},
    {"BlockZero", {"--block", "0", "IN", "OUT"}, "--block wants a whole number"},
    {"BlockTooLong", {"--block", "65537", "IN", "OUT"}, "--block wants a whole number"},
    {"PluginDoesNotLoad", {"--plugin", "FOLDER/notes.txt", "IN", "OUT"}, "cannot load"},
    {"PluginMissing", {"--plugin", "FOLDER/absent.so", "IN", "OUT"}, "cannot load"},
    {"PluginWithoutMain", {"--plugin", BRISKO_NO_ENTRY_PLUGIN, "IN", "OUT"}, "does not export main"},
    {"MainAnswersNull", {"--plugin", BRISKO_NULL_ENTRY_PLUGIN, "IN", "OUT"}, "main answered null"},
    {"OutputInMissingFolder", {"IN", "FOLDER/nowhere/out.wav"}, "cannot create"},
    {"OutputIsAFolder", {"IN", "FOLDER/folder"}, "exists and is not a regular file"},
    {"OutputIsAPipe", {"IN", "FOLDER/pipe"}, "exists and is not a regular file"},
    {"OutputIsTheInput", {"IN", "IN"}, "it is the input file"},
    {"SpectrogramOverInput", {"IN", "OUT", "--spectrogram", "IN"}, "it is the input file"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RenderToolErrors, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.what); });

// The editor snapshot is drawn where the build has a backend for it, and
// otherwise refused with the whole run: no output at all.
TEST(RenderToolEditorSnapshot, DrawnOrRefusedWithoutOutput) {
  ScratchFolder folder;
  writeStereoFloat(folder.path("in.wav"), noise(3000, 1), noise(3000, 2));
  const ToolResult alone = runTool({"--set", "Feedback=0.9", "--editor-png", folder.path("editor.png")});
  const ToolResult withRender =
      runTool({folder.path("in.wav"), folder.path("out.wav"), "--editor-png", folder.path("editor2.png"), "-q"});
  if (alone.status == 0) {
    EXPECT_EQ(withRender.status, 0) << withRender.err;
    EXPECT_EQ(fileBytes(folder.path("editor.png")).substr(1, 3), "PNG");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"editor.png", "editor2.png", "in.wav", "out.wav"}));
  } else {
    EXPECT_EQ(alone.err, "brisko-render: --editor-png: editor snapshots are not available in this build\n");
    EXPECT_NE(withRender.status, 0);
    EXPECT_EQ(withRender.err, alone.err);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"in.wav"});
  }
}

// Links to the input are the input: neither a hard nor a symbolic link is
// written through or replaced.
TEST(RenderToolInputSafety, LinksToTheInputAreRefused) {
  ScratchFolder folder;
  writeStereoFloat(folder.path("in.wav"), noise(3000, 1), noise(3000, 2));
  const std::string input = fileBytes(folder.path("in.wav"));
  ASSERT_EQ(link(folder.path("in.wav").c_str(), folder.path("hard.wav").c_str()), 0);
  ASSERT_EQ(symlink("in.wav", folder.path("soft.wav").c_str()), 0);
  for (const char* name : {"hard.wav", "soft.wav"}) {
    const ToolResult result = runTool({folder.path("in.wav"), folder.path(name)});
    EXPECT_NE(result.status, 0) << name;
    EXPECT_NE(result.err.find("it is the input file"), std::string::npos) << result.err;
  }
  const ToolResult viaLink = runTool({folder.path("soft.wav"), folder.path("in.wav")});
  EXPECT_NE(viaLink.status, 0);
  EXPECT_TRUE(fileBytes(folder.path("in.wav")) == input);
  EXPECT_TRUE(std::filesystem::is_symlink(folder.path("soft.wav")));
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"hard.wav", "in.wav", "soft.wav"}));
}

// A failing run leaves an existing output as it was; a successful one replaces it.
TEST(RenderToolInputSafety, ExistingOutputIsReplacedOnlyBySuccess) {
  ScratchFolder folder;
  writeStereoFloat(folder.path("in.wav"), noise(3000, 1), noise(3000, 2));
  std::FILE* old = std::fopen(folder.path("out.wav").c_str(), "w");
  std::fputs("previous result", old);
  std::fclose(old);
  EXPECT_NE(runTool({folder.path("in.wav"), folder.path("out.wav"), "--set", "Feedback=7"}).status, 0);
  EXPECT_EQ(fileBytes(folder.path("out.wav")), "previous result");
  EXPECT_EQ(runTool({folder.path("in.wav"), folder.path("out.wav"), "--quiet"}).status, 0);
  EXPECT_EQ(readBack(folder.path("out.wav")).frames(), 3000u);
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

}  // namespace
}  // namespace brisko::render::test

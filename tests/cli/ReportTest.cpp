// What quillan-batch says about a file: names made safe for JSON and for a message line, levels
// only where they were measured, and the reason of a refusal from the engine's status.

#include "CliTestSupport.h"
#include "cli/Reporter.h"
#include "engine/FailureReason.h"

#include <gtest/gtest.h>

using namespace clitest;

namespace {

// Names a user can give: control characters, bytes that are no UTF-8, and good UTF-8; each
// with what a JSON reader gets back (U+FFFD for every byte that is not part of UTF-8).
#define FFFD "\xef\xbf\xbd"
const std::vector<std::pair<std::string, std::string>> kAwkwardNames = {
    {"line\nbreak.wav", "line\nbreak.wav"},
    {"tab\tand\rreturn.wav", "tab\tand\rreturn.wav"},
    {"bell\x07\x1b[31m.wav", "bell\x07\x1b[31m.wav"},
    {"del\x7f.wav", "del\x7f.wav"},
    {"quote\"back\\slash.wav", "quote\"back\\slash.wav"},
    {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5.wav",
     "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5.wav"},
    {"c1 \xc2\x9b.wav", "c1 \xc2\x9b.wav"},
    {"latin1 caf\xe9.wav", "latin1 caf" FFFD ".wav"},
    {"stray \x80\xbf.wav", "stray " FFFD FFFD ".wav"},
    {"overlong \xc0\xaf.wav", "overlong " FFFD FFFD ".wav"},
    {"surrogate \xed\xa0\x80", "surrogate " FFFD FFFD FFFD},
    {"beyond \xf4\x90\x80\x80", "beyond " FFFD FFFD FFFD FFFD},
    {"cut \xe2\x82", "cut " FFFD FFFD},
    {"\xff\xfe", FFFD FFFD}};
#undef FFFD

TEST(CliText, JsonStringsAreValidJsonWhateverTheBytes) {
    for (const auto& [name, decoded] : kAwkwardNames) {
        SCOPED_TRACE(cli::PrintableText(name));
        const std::string line = "{\"source\": " + cli::JsonString(name) + "}";
        std::string error;
        const auto parsed = ParseJsonObject(line, error);
        ASSERT_TRUE(parsed) << error << ": " << line;
        EXPECT_EQ(parsed->at("source").Text, decoded);
    }
    EXPECT_EQ(cli::JsonString("\x01\x7f\n"), "\"\\u0001\\u007f\\n\"");
}

TEST(CliText, MessageTextsKeepOneLineAndShowStrayBytes) {
    EXPECT_EQ(cli::PrintableText("line\nbreak.wav"), "line\\nbreak.wav");
    EXPECT_EQ(cli::PrintableText("a\tb\rc\x1b[0m"), "a\\tb\\rc\\x1b[0m");
    EXPECT_EQ(cli::PrintableText("caf\xe9 \xff\x7f"), "caf\\xe9 \\xff\\x7f");
    EXPECT_EQ(cli::PrintableText("c1 \xc2\x9b"), "c1 \\u009b");
    EXPECT_EQ(cli::PrintableText("x\\y caf\xc3\xa9 \xf0\x9f\x8e\xb5"),
              "x\\y caf\xc3\xa9 \xf0\x9f\x8e\xb5");
    for (const auto& [name, decoded] : kAwkwardNames) {
        const std::string shown = cli::PrintableText(name);
        for (unsigned char c : shown)
            EXPECT_TRUE(c >= 0x20 && c != 0x7f) << shown;
        // What is shown is valid UTF-8: it parses inside a JSON string once quotes and
        // backslashes are escaped.
        std::string error;
        EXPECT_TRUE(ParseJsonObject("{\"m\": " + cli::JsonString(shown) + "}", error) &&
                    cli::JsonString(shown).find("ufffd") == std::string::npos)
            << shown;
    }
}

TEST(CliText, LevelsShowOnlyWhenAPassMeasuredThem) {
    cli::Options o;
    EXPECT_TRUE(cli::LevelsMeasured(o));
    o.Edit.Trim = false;
    EXPECT_TRUE(cli::LevelsMeasured(o)); // normalising measures
    o.Edit.Normalize = false;
    EXPECT_FALSE(cli::LevelsMeasured(o));
    o.Check = true;
    EXPECT_TRUE(cli::LevelsMeasured(o));
    o.Check = false;
    o.Edit.Trim = true;
    EXPECT_TRUE(cli::LevelsMeasured(o));

    cli::FileResult r;
    r.Source = "a.wav";
    r.Target = "b.wav";
    r.Result = 1;
    r.HasLevels = true;
    r.Levels = {0, 0, 0, -110.0f, -110.0f, -110.0f};
    const std::string unmeasured = cli::JsonLine(r, false);
    EXPECT_NE(unmeasured.find("\"max_peak\": null, \"max_rms\": null, \"norm_rms\": null, "
                              "\"max_peak_db\": null, \"max_rms_db\": null, \"norm_rms_db\": null"),
              std::string::npos)
        << unmeasured;
    EXPECT_NE(cli::JsonLine(r, true).find("\"max_peak\": 0, "), std::string::npos);
}

EditResult Outcome(EditStatus pStatus, std::string pDetail = {}) {
    EditResult o;
    o.Status = pStatus;
    o.Detail = std::move(pDetail);
    return o;
}

std::string Explain(const std::string& pSource, const std::string& pFolder, const EditResult& pO) {
    return FailureReason(pSource, pFolder, pO.Status, pO.Detail);
}

TEST(CliExplain, RefusalsNameTheCauseTheEngineFound) {
    ScratchDir dir;
    const std::string wav = dir / "a.wav";
    WriteBytes(wav, WavBytes(6, 1, 8, 8000, 100));
    const std::string folder = dir.path().string();
    auto explain = [&](const EditResult& pO, const std::string& pSource) {
        return Explain(pSource, folder, pO);
    };
    EXPECT_EQ(explain(Outcome(EditStatus::NotPcm, "A-law"), wav),
              "not a WAV file it can edit (A-law)");
    EXPECT_EQ(explain(Outcome(EditStatus::NotPcm, "32-bit float"), wav),
              "not a WAV file it can edit (32-bit float)");
    EXPECT_EQ(explain(Outcome(EditStatus::UnsupportedLayout, "4 channels"), wav),
              "not a WAV file it can edit (4 channels)");
    EXPECT_EQ(explain(Outcome(EditStatus::UnsupportedLayout, "12-bit"), wav),
              "not a WAV file it can edit (12-bit)");
    EXPECT_EQ(explain(Outcome(EditStatus::NotPcm), wav), "not a WAV file it can edit (not PCM)");
    EXPECT_EQ(explain(Outcome(EditStatus::SourceUnreadable, "Permission denied"), wav),
              "cannot read: Permission denied");
    // Gone since the runner looked: the runner's own word for it.
    EXPECT_EQ(explain(Outcome(EditStatus::SourceUnreadable, "No such file or directory"),
                      dir / "gone.wav"),
              "missing");
    EXPECT_EQ(explain(Outcome(EditStatus::TargetExists), wav), "target exists");
    EXPECT_EQ(explain(Outcome(EditStatus::DiskFull, "No space left on device"), wav), "disk full");
    EXPECT_EQ(explain(Outcome(EditStatus::Cancelled), wav), "cancelled");
    EXPECT_EQ(explain(Outcome(EditStatus::InvalidArgument, "normalisation mode 7"), wav),
              "invalid argument: normalisation mode 7");
    EXPECT_EQ(explain(Outcome(EditStatus::WriteFailed, "Input/output error"), wav),
              "write failed: Input/output error");
    EXPECT_EQ(Explain(wav, dir / "no-such-folder",
                      Outcome(EditStatus::WriteFailed, "No such file or directory"))
                  .rfind("write failed: cannot create files in " + dir / "no-such-folder", 0),
              0u);
}

TEST(CliExplain, FilesThatAreNoWavFileAreNamedFromTheirFirstBytes) {
    ScratchDir dir;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"just text\n", "not a RIFF/WAVE file"},
        {"", "empty file"},
        {std::string("ID3\x04\0\0\0\0\0\0", 10), "MPEG audio"},
        {"\xff\xfb\x90\x64", "MPEG audio"},
        {"fLaC\0\0\0\x22", "FLAC"},
        {"RIFF\x04\0\0\0AVI LIST", "a RIFF file that is not WAVE"},
        {std::string("RIFF\x04\0\0\0WAVE", 12), "no usable fmt and data chunks"}};
    for (const auto& [bytes, cause] : cases) {
        const std::string path = dir / "f.wav";
        WriteBytes(path, {bytes.begin(), bytes.end()});
        EXPECT_EQ(Explain(path, dir.path().string(), Outcome(EditStatus::NotWav)),
                  "not a WAV file it can edit (" + cause + ")");
    }
    // Without a status that says more, a file that is no RIFF/WAVE file is still named so.
    const std::string text = dir / "notes.wav";
    WriteBytes(text, {'h', 'i', '\n'});
    EXPECT_EQ(Explain(text, dir.path().string(), Outcome(EditStatus::InternalError)),
              "not a WAV file it can edit (not a RIFF/WAVE file)");
    EXPECT_EQ(Explain(dir / "none.wav", dir.path().string(), Outcome(EditStatus::InternalError)),
              "missing");
}

} // namespace

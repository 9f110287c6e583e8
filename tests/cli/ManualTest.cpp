// The manual pages and the bash completion come from the option table: every option of
// --help is in them, and the tools that read them accept them.

#include "cli/Manual.h"
#include "CliTestSupport.h"
#include "cli/Options.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace clitest;

namespace {

bool Have(const char* pTool) {
    return std::system((std::string("command -v ") + pTool + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(CliManual, EveryOptionOfHelpIsInThePagesAndTheCompletion) {
    const std::string help = cli::UsageText();
    const std::string page = cli::BatchManPage("9.8.7");
    const std::string window = cli::WindowManPage("9.8.7");
    const std::string completion = cli::BashCompletion();
    const auto rows = cli::OptionHelpRows();
    ASSERT_GT(rows.size(), 30u);
    for (const auto& row : rows) {
        const std::string name = "--" + row.LongName;
        EXPECT_NE(help.find(name), std::string::npos) << name;
        EXPECT_NE(page.find(cli::RoffText(name)), std::string::npos) << name;
        EXPECT_NE(completion.find(" " + name), std::string::npos) << name;
    }
    EXPECT_NE(page.find(".TH QUILLAN-BATCH 1 \"\" \"quillan 9.8.7\""), std::string::npos);
    EXPECT_NE(page.find("SLURM_ARRAY_TASK_ID"), std::string::npos);
    // The window's page: the window's own options and the panel's modes, not the batch
    // program's options.
    for (const char* wanted : {"\\-\\-help", "\\-\\-version", "RMS(Average)", "Loudness"})
        EXPECT_NE(window.find(wanted), std::string::npos) << wanted;
    for (const char* batchOnly : {"\\-\\-shard", "\\-\\-jobs", "\\-\\-normalize"})
        EXPECT_EQ(window.find(batchOnly), std::string::npos) << batchOnly;
    EXPECT_NE(completion.find("rms-calc"), std::string::npos);
    EXPECT_EQ(cli::RoffText(".a\\b-c"), "\\&.a\\eb\\-c");
}

TEST(CliManual, GroffAndBashAcceptWhatIsWritten) {
    if (!Have("groff") || !Have("bash")) GTEST_SKIP() << "groff or bash missing";
    ScratchDir dir;
    for (const std::string& page : {cli::BatchManPage("1.0"), cli::WindowManPage("1.0")}) {
        WriteBytes(dir / "page.1", std::vector<char>(page.begin(), page.end()));
        const std::string check =
            "groff -man -Tutf8 -ww -z '" + dir / "page.1" + "' 2>'" + dir / "warnings" + "'";
        EXPECT_EQ(std::system(check.c_str()), 0);
        EXPECT_EQ(ReadText(dir / "warnings"), "");
    }
    // The completion loads; names with blanks stay whole, also behind an option and in its
    // "--opt=VALUE" form (readline splits at "=", or leaves the word whole).
    WriteBytes(dir / "a b.wav", {});
    const std::string script = cli::BashCompletion();
    WriteBytes(dir / "completion", std::vector<char>(script.begin(), script.end()));
    const std::string cases[] = {"(quillan-batch --mir)",
                                 "(quillan-batch --shard 1)",
                                 "(quillan-batch \"a \")",
                                 "(quillan-batch --files-from a)",
                                 "(quillan-batch --summary-json = a)",
                                 "(quillan-batch --normalize = rms-a)",
                                 "(quillan-batch --normalize=rms-a)"};
    std::string run = "cd '" + dir.path().string() + "' && bash -c 'source completion; ";
    for (const std::string& words : cases)
        run += "COMP_WORDS=" + words +
               "; COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _quillan_batch; "
               "printf \"[%s]\" \"${COMPREPLY[@]}\"; echo; ";
    run += "' >out";
    EXPECT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(ReadText(dir / "out"), "[--mirror]\n[]\n[a b.wav]\n[a b.wav]\n[a b.wav]\n"
                                     "[rms-average]\n[--normalize=rms-average]\n");
}

} // namespace

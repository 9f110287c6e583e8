#include "cli/Manual.h"

#include "cli/Options.h"
#include "cli/Shard.h"
#include "engine/NormModes.h"
#include "services/core/WindowUsage.h"

#include <vector>

namespace cli {

std::string RoffText(const std::string& pText) {
    std::string out;
    for (char c : pText) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
    return out;
}

namespace {

// The help text of an option as one paragraph: the line breaks of --help become spaces.
std::string Paragraph(const std::string& pHelp) {
    std::string text = pHelp;
    for (char& c : text)
        if (c == '\n') c = ' ';
    return RoffText(text);
}

// "-o, --output-dir DIR" in bold with the value name in italics.
std::string RoffLabel(const OptionHelpRow& pRow) {
    std::string names = pRow.Label;
    if (!pRow.ValueName.empty()) names.resize(names.size() - pRow.ValueName.size() - 1);
    std::string label = "\\fB" + RoffText(names) + "\\fR";
    if (!pRow.ValueName.empty()) label += " \\fI" + RoffText(pRow.ValueName) + "\\fR";
    return label;
}

std::string Heading(const std::string& pSection) {
    std::string h = pSection;
    if (!h.empty() && h.back() == ':') h.pop_back();
    return h;
}

std::string ModeList() {
    std::string roff = ".RS\n";
    for (const NormModeRow& row : kNormModes)
        roff += ".TP\n.B " + RoffText(std::string(row.CliName)) + "\n" +
                RoffText(std::string(row.Help)) + "\n";
    return roff + ".RE\n";
}

std::string Header(const std::string& pName, const std::string& pVersion) {
    std::string upper;
    for (char c : pName)
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return ".TH " + upper + " 1 \"\" \"quillan " + pVersion + "\" \"User Commands\"\n";
}

} // namespace

std::string BatchManPage(const std::string& pVersion) {
    std::string roff = Header("quillan-batch", pVersion);
    roff += ".SH NAME\nquillan\\-batch \\- trim silence, normalise and level\\-adjust WAV files "
            "in batches\n";
    roff += ".SH SYNOPSIS\n.B quillan\\-batch\n[\\fIoptions\\fR] \\fIFILE\\fR...\n.br\n"
            ".B quillan\\-batch\n[\\fIoptions\\fR] \\fB\\-\\-files\\-from\\fR \\fILIST\\fR "
            "[\\fIFILE\\fR...]\n";
    roff += ".SH DESCRIPTION\n" + RoffText(Summary()) +
            " The window, \\fBquillan\\fR(1), runs the same engine.\n"
            ".PP\nA result is written under a hidden work file name and takes its real name "
            "only when it is complete, so a run that is killed never leaves a partial file "
            "under a real name.\n";
    roff += ".SH OPTIONS\n";
    for (const OptionHelpRow& row : OptionHelpRows()) {
        if (!row.Section.empty()) roff += ".SS " + RoffText(Heading(row.Section)) + "\n";
        roff += ".TP\n" + RoffLabel(row) + "\n" + Paragraph(row.Help) + "\n";
        if (row.LongName == "normalize") roff += ModeList();
    }
    roff += ".SH ENVIRONMENT\n";
    for (const char* name : kShardVariables)
        roff += ".TP\n.B " + RoffText(name) +
                "\nK of \\fB\\-\\-shard env/\\fR\\fIN\\fR "
                "(the first of these that is set).\n";
    roff += ".SH EXAMPLES\n"
            "An album at \\-14 LUFS as one set, its tracks keeping their levels relative to "
            "each other:\n.PP\n.nf\n"
            "quillan\\-batch \\-\\-album \\-\\-normalize loudness \\-\\-level \\-14 "
            "\\-o mastered album/*.wav\n.fi\n.PP\n"
            "Every audiobook below books/, each folder of chapters one set:\n.PP\n.nf\n"
            "find books \\-name '*.wav' \\-print0 |\n"
            "  quillan\\-batch \\-\\-album\\-by folder \\-\\-normalize loudness "
            "\\-\\-level \\-18 \\\\\n"
            "    \\-\\-files\\-from \\- \\-0 \\-o out \\-\\-mirror books\n.fi\n";
    roff += ".SH EXIT STATUS\n0 when every file succeeded, 1 when any failed, 2 for a usage "
            "error, 130 after Ctrl\\-C (143 after SIGTERM).\n";
    roff += ".SH SEE ALSO\n\\fBquillan\\fR(1)\n";
    return roff;
}

std::string WindowManPage(const std::string& pVersion) {
    std::string roff = Header("quillan", pVersion);
    roff += ".SH NAME\nquillan \\- trim silence, normalise and level\\-adjust WAV files in "
            "batches\n";
    roff += ".SH SYNOPSIS\n.B quillan\n[\\fIFILE\\fR|\\fIFOLDER\\fR]...\n";
    roff += ".SH DESCRIPTION\n"
            "The window of quillan: a list of WAV files and a panel of edit settings (trimming, "
            "normalisation, level adjustment, fades, where results go). Start runs the edit on "
            "every file of the list; each row then shows what happened to its file.\n"
            ".PP\nFiles named on the command line are added to the list; a folder adds the WAV "
            "files in it and in its subfolders. When "
            "quillan is already running, they are handed to the running window, which comes to "
            "the front.\n"
            ".PP\nThe panel's settings are kept between runs. \\fBquillan\\-batch "
            "\\-\\-use\\-settings\\fR runs the same edit on the command line.\n";
    roff += ".SH OPTIONS\n";
    for (const WindowOption& option : WindowOptions())
        roff += ".TP\n\\fB" + RoffText(option.Label) + "\\fR\n" + RoffText(option.Help) + "\n";
    roff += ".PP\nThe window also takes the standard options of its toolkit, such as "
            "\\fB\\-platform\\fR \\fINAME\\fR.\n";
    roff += ".SH NORMALISATION MODES\nThe panel scales each file to the target level by one "
            "of these modes:\n";
    for (const NormModeRow& row : kNormModes)
        roff += ".TP\n.B " + RoffText(std::string(row.Caption)) + "\n" +
                RoffText(std::string(row.Help)) + "\n";
    roff += ".SH SEE ALSO\n\\fBquillan\\-batch\\fR(1)\n";
    return roff;
}

namespace {

// Every name of a row: "-o", "--output-dir", an alias "--no-trim".
std::vector<std::string> NamesOf(const OptionHelpRow& pRow) {
    std::string names = pRow.Label;
    if (!pRow.ValueName.empty()) names.resize(names.size() - pRow.ValueName.size() - 1);
    std::vector<std::string> words;
    size_t start = 0;
    while (start < names.size()) {
        size_t end = names.find(", ", start);
        if (end == std::string::npos) end = names.size();
        words.push_back(names.substr(start, end - start));
        start = end + 2;
    }
    return words;
}

void Append(std::string& pList, const std::string& pWord, const char* pSeparator) {
    pList += (pList.empty() ? "" : pSeparator) + pWord;
}

} // namespace

std::string BashCompletion() {
    // Option names, and the "a|b" patterns of the options whose value is a folder, a file,
    // a mode or anything else.
    std::string all, folders, files, others;
    for (const OptionHelpRow& row : OptionHelpRows()) {
        const std::string& value = row.ValueName;
        std::string* pattern = value.empty()                          ? nullptr
                               : value == "DIR" || value == "ROOT"    ? &folders
                               : value == "LIST" || value == "FILE"   ? &files
                               : value == "MODE" || value == "folder" ? nullptr
                                                                      : &others;
        for (const std::string& name : NamesOf(row)) {
            Append(all, name, " ");
            if (pattern) Append(*pattern, name, "|");
        }
    }
    std::string modes;
    for (const NormModeRow& row : kNormModes)
        modes += (modes.empty() ? "" : " ") + std::string(row.CliName);
    // Replies are read a line each, so names with blanks stay whole; "--opt=VALUE" completes
    // the value (readline usually splits the word at "=", leaving "=" a word of its own).
    return "# bash completion for quillan-batch (generated from its option table)\n"
           "_quillan_batch_reply()\n{\n"
           "    local line\n"
           "    COMPREPLY=()\n"
           "    while IFS= read -r line; do COMPREPLY+=(\"$_quillan_prefix$line\"); done\n"
           "}\n"
           "_quillan_batch()\n{\n"
           "    local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
           "    local _quillan_prefix=\"\"\n"
           "    COMPREPLY=()\n"
           "    if [[ $cur == --*=* ]]; then\n"
           "        prev=\"${cur%%=*}\" _quillan_prefix=\"${cur%%=*}=\" cur=\"${cur#*=}\"\n"
           "    elif [[ $cur == = && $prev == --* ]]; then\n"
           "        cur=\"\"\n"
           "    elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then\n"
           "        prev=\"${COMP_WORDS[COMP_CWORD-2]}\"\n"
           "    fi\n"
           "    case \"$prev\" in\n"
           "        " +
           folders +
           ")\n"
           "            compopt -o filenames 2>/dev/null\n"
           "            _quillan_batch_reply < <(compgen -d -- \"$cur\")\n            return ;;\n"
           "        " +
           files +
           ")\n"
           "            compopt -o filenames 2>/dev/null\n"
           "            _quillan_batch_reply < <(compgen -f -- \"$cur\")\n            return ;;\n"
           "        --normalize)\n"
           "            _quillan_batch_reply < <(compgen -W \"" +
           modes +
           "\" -- \"$cur\")\n"
           "            return ;;\n"
           "        --album-by)\n"
           "            _quillan_batch_reply < <(compgen -W \"folder\" -- \"$cur\")\n"
           "            return ;;\n"
           "        " +
           others +
           ")\n            return ;;\n"
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        _quillan_batch_reply < <(compgen -W \"" +
           all +
           "\" -- \"$cur\")\n        return\n"
           "    fi\n"
           "    compopt -o filenames 2>/dev/null\n"
           "    _quillan_batch_reply < <(compgen -f -- \"$cur\")\n"
           "}\n"
           "complete -F _quillan_batch quillan-batch\n";
}

} // namespace cli

#pragma once
// The files the window is asked to add, from a drop, the file dialog or the command line:
// folders opened up into the WAV files they hold, and arguments made absolute.

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace app {

// Natural order of names: runs of digits compare as numbers ("take2" before "take10"),
// everything else byte by byte; names that tie that way ("a01", "a1") fall back to plain
// byte order, so the order is total and the same on every machine.
bool NaturalLess(const std::string& pA, const std::string& pB);

// True for a name the list takes: its extension is exactly "wav".
bool HasWavExtension(const std::string& pPath);

// The WAV files the paths name, in their order: a regular file with the extension "wav"
// stands for itself; a folder for the WAV files in it and in its subfolders, depth first in
// natural name order. Links are followed, but no folder is entered twice, so a link loop
// ends; what cannot be read is passed over.
std::vector<std::string> WavFilesIn(const std::vector<std::string>& pPaths);

// pFiles without those in pListed and without repeats among themselves, in their order.
std::vector<std::string> NewFilesOnly(const std::vector<std::string>& pFiles,
                                      const std::vector<std::string>& pListed);

// The file arguments of a start (the program's name left out): "file:" addresses become
// local paths, other addresses are passed over; a relative path is taken relative to pCurrentDir. A
// lone "--" is skipped.
std::vector<std::string> PathsFromArguments(const QStringList& pArguments,
                                            const QString& pCurrentDir);

} // namespace app

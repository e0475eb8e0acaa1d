#pragma once
// The extended mode's oracle: what independent tools read from each real-world file under
// ORVO_CORPUS/audio (titles by python3-mutagen, lengths by FFmpeg's own tools), written once per
// test run by scripts/corpus-oracle.py into the table ORVO_CORPUS_ORACLE names.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace CorpusOracle {

struct Entry {
    std::string name;   // file name inside the corpus folder
    std::string title;  // UTF-8, several values joined with " / "; empty: none read
    std::string artist;
    double announcedSeconds = 0.0;  // the container's length; 0: the tool could not tell
    double decodedSeconds = 0.0;    // what really decodes; 0: nothing did
};

// ORVO_CORPUS/audio, or empty when the extended mode is off.
inline std::string audioDir() {
    const char* corpus = std::getenv("ORVO_CORPUS");
    if (corpus == nullptr || *corpus == '\0') return {};
    const std::string dir = std::string(corpus) + "/audio";
    return std::filesystem::is_directory(dir) ? dir : std::string();
}

// Every row of the table; empty when it is missing (the setup failed: callers must not pass).
inline std::vector<Entry> load() {
    std::vector<Entry> entries;
    const char* path = std::getenv("ORVO_CORPUS_ORACLE");
    std::ifstream in(path != nullptr ? path : "");
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream row(line);
        for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
        if (fields.size() < 5) continue;
        const auto seconds = [](const std::string& text) {
            return text.empty() ? 0.0 : std::strtod(text.c_str(), nullptr);
        };
        entries.push_back(
            {fields[0], fields[1], fields[2], seconds(fields[3]), seconds(fields[4])});
    }
    return entries;
}

}  // namespace CorpusOracle

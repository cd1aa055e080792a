// Host files as the scenario tests read them and name them in shell commands.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

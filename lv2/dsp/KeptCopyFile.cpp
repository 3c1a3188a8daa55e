#include "lv2/dsp/KeptCopyFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

std::string keptCopyName(const std::string& samplePath)
{
    // Never the sample's own file name: a host may link the sample file
    // into the same folder under that name.
    const std::string name = std::filesystem::path(samplePath).filename().string();
    return "kept-" + (name.empty() ? std::string("sample.wav") : name);
}

namespace {

bool holdsExactly(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::error_code failed;
    if (std::filesystem::file_size(path, failed) != bytes.size() || failed)
        return false;
    const FileBytes there = readKeptCopy(path);
    return there != nullptr && *there == bytes;
}

}  // namespace

bool writeKeptCopy(const std::string& path, const std::vector<unsigned char>& bytes)
{
    if (holdsExactly(path, bytes))
        return true;
    // Written beside it and renamed over it, so a save that fails half-way
    // never leaves a copy cut short where an earlier one stood.
    const std::string partial = path + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out.good()) {
            std::remove(partial.c_str());
            return false;
        }
    }
    std::error_code failed;
    std::filesystem::rename(partial, path, failed);
    if (failed)
        std::remove(partial.c_str());
    return !failed;
}

FileBytes readKeptCopy(const std::string& path)
{
    // Only a regular file: opening a pipe would wait for a writer for good.
    std::error_code failed;
    if (!std::filesystem::is_regular_file(path, failed))
        return nullptr;
    const uintmax_t size = std::filesystem::file_size(path, failed);
    std::ifstream in(path, std::ios::binary);
    if (failed || !in)
        return nullptr;
    auto bytes = std::make_shared<std::vector<unsigned char>>(size_t(size));
    in.read(reinterpret_cast<char*>(bytes->data()), std::streamsize(size));
    if (!in || in.peek() != std::ifstream::traits_type::eof())
        return nullptr;
    return bytes;
}

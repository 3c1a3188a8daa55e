#include "engine/SampleSearch.h"

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The parts between separators, empty ones (doubled separators) left out.
std::vector<std::string> partsOf(const std::string& folder) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : folder) {
        if (isSeparator(c)) {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

// Joins with the separator the folder itself uses, so Windows paths stay
// Windows paths.
std::string join(const std::string& folder, const std::string& rest) {
    char separator = '/';
    for (char c : folder) {
        if (isSeparator(c))
            separator = c;
    }
    if (folder.empty())
        return rest;
    std::string joined = folder;
    if (!isSeparator(joined.back()))
        joined += separator;
    for (char c : rest)
        joined += isSeparator(c) ? separator : c;
    return joined;
}

}  // namespace

std::string folderOf(const std::string& path) {
    const size_t last = path.find_last_of("/\\");
    if (last == std::string::npos)
        return {};
    // The root itself keeps its separator.
    return last == 0 ? path.substr(0, 1) : path.substr(0, last);
}

std::string findMovedSample(const std::string& missing, const std::vector<std::string>& folders,
                            const std::function<bool(const std::string&)>& exists) {
    const size_t last = missing.find_last_of("/\\");
    const std::string name = last == std::string::npos ? missing : missing.substr(last + 1);
    if (name.empty())
        return {};
    std::vector<std::string> tried;
    auto attempt = [&](const std::string& candidate) {
        if (candidate == missing)
            return false;
        for (const std::string& seen : tried) {
            if (seen == candidate)
                return false;
        }
        tried.push_back(candidate);
        return exists(candidate);
    };

    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        const std::string candidate = join(folder, name);
        if (attempt(candidate))
            return candidate;
    }

    // "C:\Users\ann\song\drums" gives "Users\ann\song\drums", "ann\song\drums",
    // "song\drums" and "drums": the first one may be a drive or a user's home.
    const std::vector<std::string> parts = partsOf(folderOf(missing));
    // A drive letter is no folder to look in.
    const size_t first = !parts.empty() && parts[0].back() == ':' ? 1 : 0;
    for (size_t drop = first; drop < parts.size(); ++drop) {
        std::string rest;
        for (size_t i = drop; i < parts.size(); ++i)
            rest += parts[i] + '/';
        rest += name;
        for (const std::string& folder : folders) {
            // The folder and each of its parents, nearest first.
            for (std::string base = folder; !base.empty();) {
                const std::string candidate = join(base, rest);
                if (attempt(candidate))
                    return candidate;
                const std::string parent = folderOf(base);
                if (parent == base || parent.size() >= base.size())
                    break;
                base = parent;
            }
        }
    }
    return {};
}

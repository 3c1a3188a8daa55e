#include "platform/x11/DialogCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace x11 {

namespace {

bool isExecutable(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string findInPath(const char* searchPath, const char* name) {
    if (!searchPath)
        return {};
    const std::string folders = searchPath;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        start = end + 1;
        // An empty entry means the current folder; a plug-in does not run
        // programs from wherever the host happens to be.
        if (folder.empty() || folder[0] != '/')
            continue;
        const std::string candidate = folder + "/" + name;
        if (isExecutable(candidate))
            return candidate;
    }
    return {};
}

// Filter patterns are matched without regard to case elsewhere; the
// chooser matches case, so each letter becomes a bracket of both cases.
std::string caseFreePattern(const std::string& pattern) {
    std::string result;
    for (char c : pattern) {
        const bool lower = c >= 'a' && c <= 'z';
        const bool upper = c >= 'A' && c <= 'Z';
        if (lower || upper) {
            const char other = static_cast<char>(lower ? c - 'a' + 'A' : c - 'A' + 'a');
            result += '[';
            result += c;
            result += other;
            result += ']';
        } else {
            result += c;
        }
    }
    return result;
}

// "*.wav;*.aif" as the chooser's space-separated list.
std::vector<std::string> splitPatterns(const std::string& patterns) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(';', start);
        if (end == std::string::npos)
            end = patterns.size();
        std::string part = patterns.substr(start, end - start);
        start = end + 1;
        while (!part.empty() && part.front() == ' ')
            part.erase(part.begin());
        while (!part.empty() && part.back() == ' ')
            part.pop_back();
        if (!part.empty())
            parts.push_back(part);
    }
    return parts;
}

std::string withoutBar(std::string text) {
    for (char& c : text) {
        if (c == '|')
            c = '/';  // the bar separates name and patterns in the chooser's syntax
    }
    return text;
}

std::string windowIdText(unsigned long id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

// The request's filters with the selected one first.
std::vector<std::pair<std::string, std::string>> orderedFilters(const platform::OpenFileRequest& request) {
    std::vector<std::pair<std::string, std::string>> pairs = filterPairs(request.filter);
    const size_t selected = request.filterIndex >= 1 ? request.filterIndex - 1 : 0;
    if (selected > 0 && selected < pairs.size()) {
        auto chosen = pairs[selected];
        pairs.erase(pairs.begin() + static_cast<std::ptrdiff_t>(selected));
        pairs.insert(pairs.begin(), chosen);
    }
    return pairs;
}

// Without a preset name the chooser opens in the initial folder: a trailing
// '/' tells both programs that it names a folder to show.
std::string initialFile(const platform::OpenFileRequest& request) {
    std::string file;
    if (request.file && request.maxFile > 0)
        file.assign(request.file, strnlen(request.file, request.maxFile));
    if (file.empty() && request.initialFolder && *request.initialFolder) {
        file = request.initialFolder;
        if (file.back() != '/')
            file += '/';
    }
    return file;
}

}  // namespace

DialogTool findDialogTool(const char* searchPath) {
    DialogTool tool;
    if (std::string path = findInPath(searchPath, "zenity"); !path.empty())
        return DialogTool{DialogProgram::zenity, path};
    if (std::string path = findInPath(searchPath, "kdialog"); !path.empty())
        return DialogTool{DialogProgram::kdialog, path};
    return tool;
}

std::vector<std::pair<std::string, std::string>> filterPairs(const char* filter) {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (!filter)
        return pairs;
    for (const char* text = filter; *text;) {
        std::string description = text;
        text += description.size() + 1;
        if (!*text)
            break;  // a description without a pattern ends the list
        std::string pattern = text;
        text += pattern.size() + 1;
        pairs.emplace_back(description, pattern);
    }
    return pairs;
}

std::vector<std::pair<std::string, std::vector<std::string>>> caseFreeFilters(const platform::OpenFileRequest& request) {
    std::vector<std::pair<std::string, std::vector<std::string>>> filters;
    for (const auto& [description, patterns] : orderedFilters(request)) {
        std::vector<std::string> each;
        for (const std::string& pattern : splitPatterns(patterns))
            each.push_back(caseFreePattern(pattern));
        filters.emplace_back(description, each);
    }
    return filters;
}

std::vector<std::string> openFileCommand(const DialogTool& tool, const platform::OpenFileRequest& request,
                                         unsigned long attachTo) {
    std::vector<std::string> command{tool.path};
    const std::string title = request.title ? request.title : "";
    const std::string initial = initialFile(request);
    const auto filters = orderedFilters(request);
    if (tool.program == DialogProgram::zenity) {
        command.push_back("--file-selection");
        command.push_back("--title=" + title);
        command.push_back("--modal");
        if (attachTo)
            command.push_back("--attach=" + windowIdText(attachTo));
        if (!initial.empty())
            command.push_back("--filename=" + initial);
        for (const auto& [description, patterns] : filters) {
            std::string option = "--file-filter=" + withoutBar(description) + " |";
            for (const std::string& pattern : splitPatterns(patterns))
                option += " " + caseFreePattern(pattern);
            command.push_back(option);
        }
    } else if (tool.program == DialogProgram::kdialog) {
        command.push_back("--title");
        command.push_back(title);
        if (attachTo) {
            command.push_back("--attach");
            command.push_back(windowIdText(attachTo));
        }
        command.push_back("--getopenfilename");
        command.push_back(initial.empty() ? "." : initial);
        std::string list;
        for (const auto& [description, patterns] : filters) {
            if (!list.empty())
                list += "\n";
            std::string spaced;
            for (const std::string& pattern : splitPatterns(patterns))
                spaced += (spaced.empty() ? "" : " ") + pattern;
            list += spaced + "|" + withoutBar(description);
        }
        if (!list.empty())
            command.push_back(list);
    }
    return command;
}

std::vector<std::string> messageCommand(const DialogTool& tool, const char* text, const char* caption,
                                        uint32_t type, unsigned long attachTo) {
    std::vector<std::string> command{tool.path};
    const std::string message = text ? text : "";
    const std::string title = caption ? caption : "";
    const uint32_t icon = type & 0xF0u;
    if (tool.program == DialogProgram::zenity) {
        command.push_back(icon == 0x10u ? "--error" : icon == 0x30u ? "--warning" : "--info");
        command.push_back("--title=" + title);
        command.push_back("--text=" + message);
        command.push_back("--no-markup");  // the message is plain text
        command.push_back("--modal");
        if (attachTo)
            command.push_back("--attach=" + windowIdText(attachTo));
    } else if (tool.program == DialogProgram::kdialog) {
        command.push_back("--title");
        command.push_back(title);
        if (attachTo) {
            command.push_back("--attach");
            command.push_back(windowIdText(attachTo));
        }
        command.push_back(icon == 0x10u ? "--error" : icon == 0x30u ? "--sorry" : "--msgbox");
        command.push_back(message);
    }
    return command;
}

bool acceptChosenPath(const std::string& output, const platform::OpenFileRequest& request, std::string& path) {
    path = output;
    // One path, ended by a newline.
    const size_t newline = path.find('\n');
    if (newline != std::string::npos) {
        if (path.find_first_not_of("\r\n", newline) != std::string::npos)
            return false;  // more than one line: not one file
        path.resize(newline);
    }
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos)
        return false;
    if (!request.file || path.size() + 1 > request.maxFile)
        return false;  // does not fit the caller's buffer
    if (request.flags & platform::openFileMustExist) {
        struct stat info;
        if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
            return false;
    }
    return true;
}

}  // namespace x11

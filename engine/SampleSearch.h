#pragma once
// Finding a sample whose stored path no longer exists: the same file name in
// folders the project is known to use, or the stored path's own folder with
// its leading folders removed one by one, resolved against those folders and
// their parents (a project moved to another disk or user). Pure: the caller
// says which files exist.

#include <functional>
#include <string>
#include <vector>

// The folder part of a path ('/' or '\' separated), without the last
// separator; empty when the path names no folder.
std::string folderOf(const std::string& path);

// The first candidate for missing that exists, or empty. folders are tried in
// order: first each folder with missing's file name, then each folder and its
// parents with the trailing parts of missing's folder, longest first.
std::string findMovedSample(const std::string& missing, const std::vector<std::string>& folders,
                            const std::function<bool(const std::string&)>& exists);

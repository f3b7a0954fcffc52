#include "tests/stress/folder_snapshot.h"

#include "tests/support/long_path_files.h"

namespace {

void AddToSnapshot(const std::string& folder, FolderSnapshot* snapshot) {
    ForEachEntry(folder, [&](const std::string& path, const WIN32_FIND_DATAW& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            snapshot->folders.push_back(path);
            AddToSnapshot(path, snapshot);
            return;
        }
        FileRecord& record = snapshot->files[path];
        record.attributes = found.dwFileAttributes;
        ReadBytes(path, &record.bytes);
    });
}

}  // namespace

FolderSnapshot TakeSnapshot(const std::string& folder) {
    FolderSnapshot snapshot;
    AddToSnapshot(folder, &snapshot);
    return snapshot;
}

std::vector<std::string> ChangedFiles(const FolderSnapshot& before, const FolderSnapshot& after) {
    std::vector<std::string> changed;
    for (const auto& [path, record] : before.files) {
        auto now = after.files.find(path);
        if (now == after.files.end()) {
            changed.push_back(path + " is gone");
        } else if (now->second.bytes != record.bytes) {
            changed.push_back(path + " changed its bytes");
        } else if (now->second.attributes != record.attributes) {
            changed.push_back(path + " changed its attributes");
        }
    }
    return changed;
}

std::vector<std::string> NewFiles(const FolderSnapshot& before, const FolderSnapshot& after) {
    std::vector<std::string> added;
    for (const auto& entry : after.files) {
        if (before.files.count(entry.first) == 0) {
            added.push_back(entry.first);
        }
    }
    return added;
}

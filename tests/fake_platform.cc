#include "fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quillar {
namespace {

class MemoryReadable final : public ReadableFile {
 public:
  MemoryReadable(std::string content, std::size_t chunk) : content_(std::move(content)), chunk_(chunk) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    std::size_t n = std::min({capacity, chunk_, content_.size() - at_});
    std::memcpy(buffer, content_.data() + at_, n);
    at_ += n;
    return n;
  }
  std::optional<std::uint64_t> size() override { return content_.size(); }
  bool seek(std::uint64_t offset) override {
    if (offset > content_.size()) return false;
    at_ = static_cast<std::size_t>(offset);
    return true;
  }

 private:
  std::string content_;
  std::size_t chunk_;
  std::size_t at_ = 0;
};

class MemoryWritable final : public WritableFile {
 public:
  MemoryWritable(FakePlatform& platform, std::string& target, std::size_t room)
      : platform_(platform), target_(target), room_(room) {}
  bool write(std::string_view bytes) override {
    if (!platform_.change_allowed()) {
      failed_ = true;
      return false;
    }
    std::size_t fits = target_.size() < room_ ? room_ - target_.size() : 0;
    target_.append(bytes.substr(0, fits));
    failed_ = failed_ || bytes.size() > fits;
    return bytes.size() <= fits;
  }
  bool flush() override { return !failed_; }
  bool close() override { return !failed_; }

 private:
  FakePlatform& platform_;
  std::string& target_;
  std::size_t room_;
  bool failed_ = false;
};

std::size_t room_of(const std::map<std::string, std::size_t>& rooms, const std::string& path) {
  auto room = rooms.find(path);
  return room == rooms.end() ? std::string::npos : room->second;
}

}  // namespace

std::unique_ptr<ReadableFile> FakePlatform::open_bytes(const std::string& path) {
  auto file = files.find(path);
  if (file == files.end() || folders.count(path) != 0 || unreadable.count(path) != 0) return nullptr;
  return std::make_unique<MemoryReadable>(file->second, read_chunk);
}

std::unique_ptr<WritableFile> FakePlatform::create_bytes(const std::string& path) {
  if (folders.count(path) != 0 || !change_allowed()) return nullptr;
  files[path].clear();
  return std::make_unique<MemoryWritable>(*this, files[path], room_of(file_rooms, path));
}

std::unique_ptr<WritableFile> FakePlatform::append_text(const std::string& path) {
  if (folders.count(path) != 0 || !change_allowed()) return nullptr;
  return std::make_unique<MemoryWritable>(*this, files[path], room_of(file_rooms, path));
}

bool FakePlatform::read_secret_line(std::string& line) {
  line.clear();
  if (input.empty()) return false;
  std::size_t end = input.find('\n');
  line = input.substr(0, end);
  input.erase(0, end == std::string::npos ? input.size() : end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

namespace {

class FakeSharedLibrary final : public SharedLibrary {
 public:
  explicit FakeSharedLibrary(const FakeLibrary& library) : library_(library) {}
  void* entry_point(const char* name) override {
    auto found = library_.entry_points.find(name);
    return found == library_.entry_points.end() ? nullptr : found->second;
  }

 private:
  FakeLibrary library_;
};

}  // namespace

std::unique_ptr<SharedLibrary> FakePlatform::load_library(const std::string& file_name, unsigned long& error_code) {
  loads.push_back(file_name);
  auto library = libraries.find(file_name);
  error_code = library == libraries.end() ? kLoadModuleNotFound : library->second.load_error;
  if (error_code != 0) return nullptr;
  return std::make_unique<FakeSharedLibrary>(library->second);
}

std::vector<DllFolder> FakePlatform::dll_search_folders(const std::string& file_name, const std::string& prefix) {
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  std::vector<DllFolder> found;
  auto listed = dll_folders.find(file_name);
  if (listed == dll_folders.end()) return found;
  for (const DllFolder& folder : listed->second) {
    DllFolder matching{folder.path, {}};
    for (const std::string& name : folder.names) {
      const std::string lowered = lower(name);
      if (lowered.rfind(lower(prefix), 0) == 0 && lowered.size() >= 4 && lowered.substr(lowered.size() - 4) == ".dll") {
        matching.names.push_back(name);
      }
    }
    found.push_back(matching);
  }
  return found;
}

bool FakePlatform::delete_file(const std::string& path) {
  return change_allowed() && (files.erase(path) != 0 || links.erase(path) != 0);
}

bool FakePlatform::make_directory(const std::string& path) {
  if (files.count(path) != 0 || links.count(path) != 0 || !change_allowed()) return false;
  return folders.insert(path).second;
}

bool FakePlatform::remove_directory(const std::string& path) {
  if (!change_allowed()) return false;
  const std::string inside = path + "\\";
  for (const auto& [name, content] : files) {
    if (name.rfind(inside, 0) == 0) return false;
  }
  for (const std::string& folder : folders) {
    if (folder.rfind(inside, 0) == 0) return false;
  }
  folder_ids.erase(path);
  return folders.erase(path) != 0;
}

std::optional<EntryIdentity> FakePlatform::identity_at(const std::string& path) {
  if (folders.count(path) == 0 && !(path.empty() || path == "..")) return std::nullopt;
  auto [id, added] = folder_ids.emplace(path, next_folder_id);
  if (added) ++next_folder_id;
  return EntryIdentity{1, id->second};
}

EntryKind FakePlatform::entry_kind(const std::string& path) {
  if (links.count(path) != 0) return EntryKind::kOther;
  if (folders.count(path) != 0) return EntryKind::kFolder;
  return files.count(path) != 0 ? EntryKind::kFile : EntryKind::kMissing;
}

std::vector<std::string> FakePlatform::folder_entries(const std::string& path) {
  const std::string inside = path.empty() ? "" : path + "\\";
  std::set<std::string> names;
  auto take = [&](const std::string& entry) {
    if (entry.rfind(inside, 0) != 0) return;
    std::string rest = entry.substr(inside.size());
    if (!rest.empty() && rest.find('\\') == std::string::npos) names.insert(rest);
  };
  for (const auto& [name, content] : files) take(name);
  for (const std::string& folder : folders) take(folder);
  for (const std::string& link : links) take(link);
  return std::vector<std::string>(names.begin(), names.end());
}

bool FakePlatform::move_entry(const std::string& from, const std::string& to) {
  if (folders.count(to) != 0 || !change_allowed()) return false;
  if (links.erase(from) != 0) {
    files.erase(to);
    links.insert(to);
    return true;
  }
  if (auto file = files.find(from); file != files.end()) {
    std::string content = file->second;
    files.erase(file);
    links.erase(to);
    files[to] = content;
    return true;
  }
  if (folders.count(from) == 0 || files.count(to) != 0 || links.count(to) != 0) return false;
  std::map<std::string, std::string> moved_files;
  for (auto it = files.begin(); it != files.end();) {
    if (it->first.rfind(from + "\\", 0) == 0) {
      moved_files[to + it->first.substr(from.size())] = it->second;
      it = files.erase(it);
    } else {
      ++it;
    }
  }
  files.insert(moved_files.begin(), moved_files.end());
  if (auto id = folder_ids.find(from); id != folder_ids.end()) {
    const std::uint64_t kept = id->second;
    folder_ids.erase(id);
    folder_ids[to] = kept;
  }
  std::set<std::string> moved_folders;
  for (auto it = folders.begin(); it != folders.end();) {
    if (*it == from || it->rfind(from + "\\", 0) == 0) {
      moved_folders.insert(to + it->substr(from.size()));
      it = folders.erase(it);
    } else {
      ++it;
    }
  }
  folders.insert(moved_folders.begin(), moved_folders.end());
  return true;
}

namespace {

class FakeFolder final : public Folder {
 public:
  FakeFolder(FakePlatform& platform, std::string path)
      : platform_(platform), path_(std::move(path)), prefix_(path_.empty() ? "" : path_ + "\\") {}

  std::vector<std::string> entries() override {
    std::vector<std::string> names;
    for (const std::string& name : platform_.folder_entries(path_)) {
      if (is_entry_name(name)) names.push_back(name);
    }
    return names;
  }
  EntryKind kind(const std::string& name) override {
    return is_entry_name(name) ? platform_.entry_kind(prefix_ + name) : EntryKind::kMissing;
  }
  std::unique_ptr<ReadableFile> open_file(const std::string& name) override {
    if (kind(name) != EntryKind::kFile) return nullptr;
    return platform_.open_bytes(prefix_ + name);
  }
  std::unique_ptr<WritableFile> write_file(const std::string& name, FileWriting how) override {
    const EntryKind found = kind(name);
    if (!is_entry_name(name) || found == EntryKind::kFolder || found == EntryKind::kOther) return nullptr;
    if (how == FileWriting::kNew && found != EntryKind::kMissing) return nullptr;
    if (how == FileWriting::kReplace || how == FileWriting::kNew) return platform_.create_bytes(prefix_ + name);
    return platform_.append_text(prefix_ + name);
  }
  bool remove_file(const std::string& name) override {
    return kind(name) != EntryKind::kFolder && is_entry_name(name) && platform_.delete_file(prefix_ + name);
  }
  std::unique_ptr<Folder> open_folder(const std::string& name) override {
    if (kind(name) != EntryKind::kFolder) return nullptr;
    return std::make_unique<FakeFolder>(platform_, prefix_ + name);
  }
  bool make_private_folder(const std::string& name) override {
    return is_entry_name(name) && platform_.make_directory(prefix_ + name);
  }
  bool remove_folder(const std::string& name) override {
    return is_entry_name(name) && platform_.remove_directory(prefix_ + name);
  }
  bool move(const std::string& name, Folder& target, const std::string& new_name, bool replace) override {
    auto* to = dynamic_cast<FakeFolder*>(&target);
    if (to == nullptr || !is_entry_name(name) || !is_entry_name(new_name) || kind(name) == EntryKind::kMissing) {
      return false;
    }
    const EntryKind there = to->kind(new_name);
    if (there == EntryKind::kFolder || (!replace && there != EntryKind::kMissing)) return false;
    if (auto refused = platform_.refused_moves.find(to->prefix_ + new_name);
        refused != platform_.refused_moves.end() && refused->second > 0) {
      --refused->second;
      return false;
    }
    return platform_.move_entry(prefix_ + name, to->prefix_ + new_name);
  }
  bool owned_by_this_user() override { return platform_.foreign_folders.count(path_) == 0; }
  bool private_to_this_user() override {
    return owned_by_this_user() && platform_.shared_folders.count(path_) == 0;
  }
  std::optional<EntryIdentity> identity() override { return identity_; }
  std::optional<EntryIdentity> entry_identity(const std::string& name) override {
    return is_entry_name(name) ? platform_.identity_at(prefix_ + name) : std::nullopt;
  }

 private:
  FakePlatform& platform_;
  std::string path_;
  std::string prefix_;
  // Taken when opened, as a handle would hold it.
  std::optional<EntryIdentity> identity_ = platform_.identity_at(path_);
};

}  // namespace

std::unique_ptr<Folder> FakePlatform::open_folder(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  // The parent of the working directory is always there.
  if (!folder.empty() && folder != ".." && entry_kind(folder) != EntryKind::kFolder) return nullptr;
  return std::make_unique<FakeFolder>(*this, folder);
}

bool FakePlatform::replace_file(const std::string& from, const std::string& to) {
  auto source = files.find(from);
  if (source == files.end() || unreplaceable.count(to) != 0 || folders.count(to) != 0) return false;
  std::string content = std::move(source->second);
  files.erase(source);
  files[to] = std::move(content);
  return true;
}

Rewrite FakePlatform::rewrite_file(const std::string& path, std::string_view read, std::string_view content) {
  auto file = files.find(path);
  if (file == files.end() || folders.count(path) != 0 || links.count(path) != 0 || unreadable.count(path) != 0) {
    return Rewrite::kFailed;
  }
  if (busy_files.count(path) != 0) return Rewrite::kBusy;
  if (linked_files.count(path) != 0) return Rewrite::kLinked;
  if (auto edit = edits_during_rewrite.find(path); edit != edits_during_rewrite.end()) file->second = edit->second;
  if (file->second != read) return Rewrite::kChanged;
  if (foreign_files.count(path) != 0) return Rewrite::kOwnerNotKept;
  if (unreplaceable.count(path) != 0 || content.size() > room_of(file_rooms, path)) return Rewrite::kFailed;
  file->second = content;
  return Rewrite::kDone;
}

}  // namespace quillar

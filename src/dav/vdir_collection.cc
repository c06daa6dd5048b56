#include "dav/vdir_collection.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/atomic_file.h"

namespace kivo {

namespace {

uint64_t ContentHash(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

bool EndsWith(const std::string& text, std::string_view tail, bool ignore_case = false) {
  if (text.size() < tail.size()) return false;
  const char* start = text.data() + text.size() - tail.size();
  return ignore_case ? strncasecmp(start, tail.data(), tail.size()) == 0
                     : text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Reads a whole file with the status of the same open file, so the version
// tag belongs to the bytes read. -1 with errno on failure.
int ReadWithStatus(const std::filesystem::path& file, std::string* data, struct stat* status) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  int result = fstat(fd, status);
  if (result == 0 && !S_ISREG(status->st_mode)) {
    errno = EISDIR;
    result = -1;
  }
  char buffer[16384];
  while (result == 0) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
      data->append(buffer, static_cast<size_t>(got));
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      result = -1;
    }
  }
  const int saved = errno;
  close(fd);
  errno = saved;
  return result;
}

// Writes `data` to a new hidden file beside `target` and moves it to `target`
// only when no file has that name; EEXIST when one has. 0 or an errno value.
int WriteNewFile(const std::filesystem::path& target, std::string_view data) {
  static std::atomic<unsigned> counter{0};
  // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "." + string.
  std::string name(".");
  name.append(target.filename().string())
      .append(".")
      .append(std::to_string(getpid()))
      .append(".")
      .append(std::to_string(counter++))
      .append(".tmp");
  const std::filesystem::path temp = target.parent_path() / name;
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = 0;
  for (size_t done = 0; done < data.size() && error == 0;) {
    const ssize_t wrote = write(fd, data.data() + done, data.size() - done);
    if (wrote > 0) {
      done += static_cast<size_t>(wrote);
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 &&
      renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
    error = errno;
    // A file system without the flag: a hard link refuses an existing name too.
    if (error == EINVAL || error == ENOSYS) {
      error = link(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
    }
  }
  unlink(temp.c_str());
  return error;
}

}  // namespace

std::string VdirVersionTag(int64_t mtime_seconds, int64_t mtime_nanoseconds, uint64_t size,
                           std::string_view contents) {
  char tag[80];
  std::snprintf(tag, sizeof tag, "%lld.%09lld-%llu-%016llx", static_cast<long long>(mtime_seconds),
                static_cast<long long>(mtime_nanoseconds), static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(ContentHash(contents)));
  return tag;
}

VdirCollection::VdirCollection(std::filesystem::path folder, CollectionKind kind)
    : folder_(std::move(folder)), kind_(kind), target_(folder_.string()) {}

bool VdirCollection::IsItemFile(const std::string& name) const {
  return !name.empty() && name.front() != '.' && EndsWith(name, ItemExtension(kind_), true);
}

DavError VdirCollection::Local(const std::string& what, int error_number) const {
  return MakeDavError(DavErrorKind::kLocal, target_,
                      "cannot " + what + " (" + SystemErrorText(error_number) +
                          "): check the folder's permissions and free space");
}

DavError VdirCollection::Changed(const std::string& href) const {
  return MakeDavError(
      DavErrorKind::kChanged, target_,
      "the item '" + href + "' changed or went away since it was read: read it again and merge");
}

DavError VdirCollection::BadHref(const std::string& href) const {
  return MakeDavError(DavErrorKind::kBadItem, target_,
                      "'" + href + "' cannot name an item of the " + CollectionNoun(kind_));
}

DavStatus VdirCollection::Check() {
  std::error_code error;
  const auto status = std::filesystem::status(folder_, error);
  if (!std::filesystem::exists(status)) {
    return MakeDavError(DavErrorKind::kNotFound, target_,
                        "the folder does not exist: check the path, or make the folder first");
  }
  if (!std::filesystem::is_directory(status)) {
    return MakeDavError(
        DavErrorKind::kNotCollection, target_,
        "this is a file, not a folder of " + std::string(ItemExtension(kind_)) + " files");
  }
  const char* other = kind_ == CollectionKind::kContacts ? ".ics" : ".vcf";
  bool other_items = false;
  std::vector<std::string> beneath;
  for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (IsItemFile(name)) return DavOk();
    other_items = other_items || (name.front() != '.' && EndsWith(name, other, true));
    std::error_code sub_error;
    if (name.front() == '.' || !it->is_directory(sub_error)) continue;
    for (std::filesystem::directory_iterator sub(it->path(), sub_error), sub_end;
         !sub_error && sub != sub_end; sub.increment(sub_error)) {
      if (IsItemFile(sub->path().filename().string())) {
        beneath.push_back(it->path().string());
        break;
      }
    }
  }
  if (error) return Local("read the folder", error.value());
  if (other_items) {
    return MakeDavError(DavErrorKind::kNotCollection, target_,
                        "this folder holds " + std::string(other) + " files, not " +
                            ItemExtension(kind_) + ": check the path");
  }
  if (beneath.empty()) return DavOk();  // an empty collection
  std::string message = "this folder holds no " + std::string(ItemExtension(kind_)) + " files; " +
                        CollectionNoun(kind_) + "s found beneath it:";
  for (const std::string& path : beneath) message += " " + path;
  return MakeDavError(DavErrorKind::kNotCollection, target_, message);
}

DavResult<Item> VdirCollection::Read(const std::string& href, bool* missing) {
  Item item{href, {}, {}};
  struct stat status {};
  if (ReadWithStatus(folder_ / href, &item.data, &status) != 0) {
    if (errno == ENOENT) {
      *missing = true;
      return MakeDavError(DavErrorKind::kNotFound, target_,
                          "the item '" + href + "' is not in the folder");
    }
    return Local("read " + href, errno);
  }
  item.etag = VdirVersionTag(status.st_mtim.tv_sec, status.st_mtim.tv_nsec,
                             static_cast<uint64_t>(status.st_size), item.data);
  return item;
}

DavResult<std::vector<ItemRef>> VdirCollection::List() {
  std::vector<ItemRef> items;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code type_error;
    if (!IsItemFile(name) || !it->is_regular_file(type_error)) continue;
    bool missing = false;
    DavResult<Item> item = Read(name, &missing);
    if (missing) continue;  // removed while the folder was read
    if (!item) return item.error();
    items.push_back({name, std::move(item->etag)});
  }
  if (error) return Local("read the folder", error.value());
  return items;
}

DavResult<std::vector<Item>> VdirCollection::Fetch(const std::vector<std::string>& hrefs) {
  std::vector<Item> items;
  for (const std::string& href : hrefs) {
    if (!IsItemHref(href) || !IsItemFile(href)) continue;
    bool missing = false;
    DavResult<Item> item = Read(href, &missing);
    if (missing) continue;
    if (!item) return item.error();
    items.push_back(std::move(item.value()));
  }
  return items;
}

DavResult<Item> VdirCollection::Get(const std::string& href) {
  if (!IsItemHref(href) || !IsItemFile(href)) return BadHref(href);
  bool missing = false;
  return Read(href, &missing);
}

DavResult<ItemRef> VdirCollection::Create(std::string_view uid, std::string_view data) {
  const std::string href = ItemHrefForUid(uid, kind_);
  if (href.empty()) {
    return MakeDavError(DavErrorKind::kBadItem, target_, "an item without a UID cannot be stored");
  }
  const int error = WriteNewFile(folder_ / href, data);
  if (error == EEXIST) {
    return MakeDavError(DavErrorKind::kExists, target_,
                        "the item '" + href + "' is already in the folder: read it and merge");
  }
  if (error != 0) return Local("write " + href, error);
  bool missing = false;
  DavResult<Item> written = Read(href, &missing);
  if (!written) return written.error();
  return ItemRef{href, std::move(written->etag)};
}

DavResult<ItemRef> VdirCollection::Update(const std::string& href, std::string_view data,
                                          const std::string& etag) {
  if (!IsItemHref(href) || !IsItemFile(href)) return BadHref(href);
  bool missing = false;
  DavResult<Item> current = Read(href, &missing);
  if (missing || (current && current->etag != etag)) return Changed(href);
  if (!current) return current.error();
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  if (Status written = WriteFileAtomically(folder_ / href, {bytes, data.size()}); !written) {
    return MakeDavError(DavErrorKind::kLocal, target_,
                        "cannot write " + href + " (" + written.error() +
                            "): check the folder's permissions and free space");
  }
  DavResult<Item> written = Read(href, &missing);
  if (!written) return written.error();
  return ItemRef{href, std::move(written->etag)};
}

DavStatus VdirCollection::Delete(const std::string& href, const std::string& etag) {
  if (!IsItemHref(href) || !IsItemFile(href)) return BadHref(href);
  bool missing = false;
  DavResult<Item> current = Read(href, &missing);
  if (missing || (current && current->etag != etag)) return Changed(href);
  if (!current) return current.error();
  if (unlink((folder_ / href).c_str()) != 0) {
    if (errno == ENOENT) return Changed(href);
    return Local("remove " + href, errno);
  }
  return DavOk();
}

}  // namespace kivo

// A fresh folder for one test, and whole-file reads and writes (header-only, no Qt).
//
//   TempDir d;                          // made under the system temp folder
//   writeFile(d.file("a.dat"), bytes);  // d.file(name): a path inside it
//   EXPECT_EQ(readFile(d.file("a.dat")), bytes);
//   CurrentTempDir c;                   // the same, and the current folder while it lives
//   EXPECT_EQ(fileNames(d.path()), (std::vector<std::string>{"a.dat"}));
//
// The destructor removes the folder with everything in it, also when a test
// left a subfolder without write or search permission.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tsly::test {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a folder from " + tmpl);
    path_ = tmpl;
  }
  ~TempDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
      if (it->is_directory(ec) && !it->is_symlink(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A TempDir that is the current folder for its life.
class CurrentTempDir : public TempDir {
 public:
  CurrentTempDir() : old_(std::filesystem::current_path()) { std::filesystem::current_path(path()); }
  ~CurrentTempDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
  }

 private:
  std::filesystem::path old_;
};

// The names in a folder, sorted (a temporary file left behind shows).
inline std::vector<std::string> fileNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The whole file as bytes ("" when it cannot be read).
inline std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Writes `bytes` as the whole file, replacing what was there.
inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace tsly::test

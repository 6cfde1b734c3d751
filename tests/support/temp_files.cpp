#include "support/temp_files.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "text/gbk.h"

namespace korvana::testing {

std::string g(const std::string& utf8) { return text::gbk(utf8); }
std::string u(const std::string& gbk) { return text::toUtf8(gbk); }

TempDir::TempDir(const std::string& name, const std::string& base) {
  const std::filesystem::path where =
      base.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(base);
  std::string pattern = (where / ("korvana-" + name + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string readBytes(const std::string& utf8Path) {
  std::ifstream in(utf8Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& utf8Path, const std::string& bytes) {
  std::ofstream out(utf8Path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace korvana::testing

#include "bad_files.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const char* const DATA_FILES[] = {"setup.txt", "vask3.wrl", "flori.fnt", "vask.jpg", "cyc4.wav",
                                  "boom.wav",  "turn2.wav", "boom2.wav", "vask.mid"};

std::string workDirectory;
std::string startDirectory;

std::vector<uint8_t> readAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  fclose(file);
  return bytes;
}

void writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  if (!bytes.empty()) {
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  }
  fclose(file);
}

}  // namespace

const char* badKindName(BadKind kind) {
  switch (kind) {
    case FILE_MISSING: return "missing";
    case FILE_EMPTY: return "empty";
    case FILE_TRUNCATED: return "truncated";
    case FILE_GARBAGE: return "garbage";
  }
  return "?";
}

std::vector<uint8_t> dataFile(const char* name) {
  std::vector<uint8_t> bytes = readAll(std::string(VASK_DATA_DIR) + "/" + name);
  EXPECT_FALSE(bytes.empty()) << "data/" << name << " is missing";
  return bytes;
}

std::vector<uint8_t> garbageBytes(size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = 12345;
  for (size_t i = 0; i < size; i++) {
    x = x * 1103515245u + 12345u;
    bytes[i] = (uint8_t)(x >> 16);
  }
  return bytes;
}

std::vector<uint8_t> badContents(const char* name, BadKind kind) {
  std::vector<uint8_t> good = dataFile(name);
  switch (kind) {
    case FILE_MISSING:
    case FILE_EMPTY: return std::vector<uint8_t>();
    case FILE_TRUNCATED: return std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2);
    case FILE_GARBAGE: return garbageBytes(good.size());
  }
  return good;
}

void enterWorkDirectory(const char* badFile, BadKind kind) {
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  startDirectory = here;
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vask-badinput-XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  ASSERT_NE(mkdtemp(path.data()), nullptr);
  workDirectory = path.data();
  for (const char* name : DATA_FILES) {
    if (badFile && strcmp(name, badFile) == 0) {
      if (kind != FILE_MISSING) writeAll(workDirectory + "/" + name, badContents(name, kind));
    } else {
      writeAll(workDirectory + "/" + name, dataFile(name));
    }
  }
  ASSERT_EQ(chdir(workDirectory.c_str()), 0);
}

void leaveWorkDirectory() {
  if (workDirectory.empty()) return;
  if (chdir(startDirectory.c_str()) != 0) return;
  for (const char* name : DATA_FILES) unlink((workDirectory + "/" + name).c_str());
  rmdir(workDirectory.c_str());
  workDirectory.clear();
}

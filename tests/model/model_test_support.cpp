#include "model_test_support.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <vector>

static std::string madeDirectory;
static std::vector<std::string> madeFiles;

// Removes the files this process wrote once all its tests have run (death-test children
// leave through exit and never get here).
class RemoveModelFiles : public ::testing::Environment {
 public:
  void TearDown() override {
    for (const std::string& path : madeFiles) remove(path.c_str());
    if (!madeDirectory.empty()) rmdir(madeDirectory.c_str());
  }
};
static ::testing::Environment* const removeModelFiles =
    ::testing::AddGlobalTestEnvironment(new RemoveModelFiles);

void resetModelReader() {
  freeModelNodeList(nodeList);
  nodeList = 0;
  currentNode = 0;
  braceDepth = 0;
  ignoreShadingMode = 0;
  listOpen = 0;
  listKind = 0;
  maxCoordinate = 0.0;
}

static std::string privateDirectory() {
  if (madeDirectory.empty()) {
    std::string pattern = ::testing::TempDir() + "vask_model_XXXXXX";
    if (!mkdtemp(&pattern[0])) ADD_FAILURE() << "cannot make a temporary directory";
    madeDirectory = pattern;
  }
  return madeDirectory;
}

std::string writeModelFile(const std::string& text) {
  static int serial = 0;
  std::string path = privateDirectory() + "/model" + std::to_string(serial++) + ".wrl";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) {
    ADD_FAILURE() << "cannot write " << path;
    return path;
  }
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  madeFiles.push_back(path);
  return path;
}

int loadModelText(const std::string& text) { return loadModel(writeModelFile(text).c_str()); }

ModelNode* findNode(const char* name) {
  for (ModelNode* n = nodeList; n; n = n->next)
    if (strcmp(n->name, name) == 0) return n;
  return 0;
}

int countNodes() {
  int count = 0;
  for (ModelNode* n = nodeList; n; n = n->next) ++count;
  return count;
}

// Helpers for the model tests: a fresh reader, small model files in a private directory.
#pragma once
#include <string>

#include "model/model_reader.h"

// Frees every node and sets the reader state back to its start-up zeros.
void resetModelReader();

// Writes `text` to a new file in a private temporary directory and returns its path.
std::string writeModelFile(const std::string& text);

// Writes and loads `text`; returns loadModel's result.
int loadModelText(const std::string& text);

// The newest node with this name, or null.
ModelNode* findNode(const char* name);

int countNodes();

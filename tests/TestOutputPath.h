#pragma once
#include <string>

// Where a test writes its pictures: the folder its target names in
// QM_TEST_OUTPUT_DIR (its build folder). Under Wine the Unix root is drive Z:.
inline std::string TestOutputPath(const char* name) {
  std::string dir = QM_TEST_OUTPUT_DIR;
#ifdef _WIN32
  if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
#endif
  return dir + "/" + name;
}

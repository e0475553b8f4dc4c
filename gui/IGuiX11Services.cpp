// The X11 editor window's services that reach outside it: the folders of
// the host program and of the module, the browser, and the desktop's file,
// colour and message dialogs (zenity, else kdialog; none installed: no
// file, no colour, no confirmation).
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/IPlugBase.h"
#include "gui/IGuiX11Window.h"
#include "gui/LinuxProcess.h"

namespace {

const char* const kFileTitle = "Select audio sample";

// The folder of a file name, with its trailing '/'; empty when the name has
// no folder.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 == path.size()) return std::string();
  return path.substr(0, slash + 1);
}

std::string WithoutNewline(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// The extension list ("wav aif") as patterns: a space ends a word, and the
// next character starts one, so a leading or doubled space gives an empty
// pattern and a trailing one none.
std::vector<std::string> Patterns(const char* extensions) {
  std::vector<std::string> patterns;
  if (!extensions || !*extensions) return patterns;
  std::string word;
  for (const char* p = extensions; *p; ++p) {
    if (*p == ' ') {
      patterns.push_back("*." + word);
      word.clear();
    } else {
      word.push_back(*p);
    }
  }
  if (!word.empty()) patterns.push_back("*." + word);
  return patterns;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

int Byte(int value) { return value < 0 ? 0 : value > 255 ? 255 : value; }

// "rgb(r,g,b)", "rgba(r,g,b,a)" or "#rrggbb".
bool ParseColour(const std::string& text, int* r, int* g, int* b) {
  unsigned hex = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "#%6x%c", &hex, &tail) == 1 && text.size() == 7) {
    *r = static_cast<int>(hex >> 16 & 0xFF);
    *g = static_cast<int>(hex >> 8 & 0xFF);
    *b = static_cast<int>(hex & 0xFF);
    return true;
  }
  int rr, gg, bb;
  if (std::sscanf(text.c_str(), "rgb(%d,%d,%d)", &rr, &gg, &bb) == 3 ||
      std::sscanf(text.c_str(), "rgba(%d,%d,%d", &rr, &gg, &bb) == 3) {
    *r = Byte(rr);
    *g = Byte(gg);
    *b = Byte(bb);
    return true;
  }
  return false;
}

}  // namespace

void IGuiX11::HostFolder(std::string* out) {
  if (!out) return;
  out->clear();
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return;
  *out = FolderOf(std::string(path, static_cast<size_t>(n)));
}

void IGuiX11::ModuleFolder(std::string* out) {
  if (!out) return;
  out->clear();
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ModsFromState), &info) || !info.dli_fname) return;
  char* full = realpath(info.dli_fname, nullptr);
  if (!full) return;
  *out = FolderOf(full);
  free(full);
}

bool IGuiX11::RunDialog(const std::vector<std::string>& zenity, const std::vector<std::string>& kdialog,
                        std::string* output) {
  std::string path = FindProgram("zenity");
  const std::vector<std::string>* args = &zenity;
  if (path.empty()) {
    path = FindProgram("kdialog");
    args = &kdialog;
  }
  if (path.empty() || !mX) return false;
  // While the dialog is up the plug-in works on: the thread lets go of the
  // lock for it. Closing the editor stops the dialog.
  const bool release = mTurnLocked && Owner() && std::this_thread::get_id() == mThread.get_id();
  if (release) Owner()->Lock().Unlock();
  const int status = RunForOutput(path, *args, output, mX->wakeFd);
  if (release && !LockForThread()) mTurnLocked = false;
  return status == 0;
}

void IGuiX11::PromptFile(std::string* fileName, int action, const char* folder, const char* extensions) {
  if (!fileName) return;
  const std::string given = *fileName;
  fileName->clear();
  if (!IsWindowOpen()) return;
  std::string start = folder && *folder ? folder : "";
  if (!start.empty() && start.back() != '/') start += '/';
  start += given.substr(0, 255);
  const std::vector<std::string> patterns = Patterns(extensions);
  std::vector<std::string> zenity = {"--file-selection", std::string("--title=") + kFileTitle};
  if (action == 1) zenity.insert(zenity.end(), {"--save", "--confirm-overwrite"});
  if (!start.empty()) zenity.push_back("--filename=" + start);
  if (!patterns.empty()) zenity.push_back("--file-filter=" + Joined(patterns));
  const std::vector<std::string> kdialog = {action == 1 ? "--getsavefilename" : "--getopenfilename",
                                            start.empty() ? "." : start, Joined(patterns), "--title", kFileTitle};
  std::string chosen;
  const bool ok = RunDialog(zenity, kdialog, &chosen);
  if (!ok) return;
  *fileName = WithoutNewline(chosen);
  // Saving under a name without an extension adds the first one listed.
  const std::string first = extensions ? std::string(extensions).substr(0, std::string(extensions).find(' ')) : "";
  const size_t base = fileName->rfind('/');
  const std::string name = fileName->substr(base == std::string::npos ? 0 : base + 1);
  if (action == 1 && !fileName->empty() && !first.empty() && name.find('.') == std::string::npos)
    *fileName += "." + first;
}

bool IGuiX11::PromptColour(IRgba* colour, const char* title) {
  if (!colour || !IsWindowOpen()) return false;
  char start[40];
  std::snprintf(start, sizeof start, "rgb(%d,%d,%d)", Byte(colour->R), Byte(colour->G), Byte(colour->B));
  std::vector<std::string> zenity = {"--color-selection", std::string("--color=") + start};
  if (title && *title) zenity.push_back(std::string("--title=") + title);
  char hex[8];
  std::snprintf(hex, sizeof hex, "#%02x%02x%02x", Byte(colour->R), Byte(colour->G), Byte(colour->B));
  std::vector<std::string> kdialog = {"--getcolor", "--default", hex};
  if (title && *title) kdialog.insert(kdialog.end(), {"--title", title});
  std::string chosen;
  const bool ok = RunDialog(zenity, kdialog, &chosen);
  int r, g, b;
  if (!ok || !ParseColour(WithoutNewline(chosen), &r, &g, &b)) return false;
  colour->R = r;
  colour->G = g;
  colour->B = b;
  return true;
}

bool IGuiX11::OpenAddress(const char* address, const char* title, const char* confirm, const char* error) {
  // An address is handed to the opener as one argument; one that looks like
  // an option is not an address.
  if (!address || !*address || address[0] == '-') return false;
  const std::string caption = title ? title : "";
  if (confirm && *confirm &&
      !RunDialog({"--question", "--no-markup", "--title=" + caption, std::string("--text=") + confirm},
                 {"--title", caption, "--yesno", confirm}, nullptr))
    return false;
  if (StartDetached(FindProgram("xdg-open"), {address})) return true;
  if (error && *error)
    RunDialog({"--error", "--no-markup", "--title=" + caption, std::string("--text=") + error},
              {"--title", caption, "--error", error}, nullptr);
  return false;
}

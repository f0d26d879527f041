// Records every call that the program makes through the GL and GLU entry
// points, with its arguments, in place of a real library.
//
// While a GLRecorder lives, each entry-point variable holds a recorder;
// its destructor puts the forwarders back. Scalars are kept as doubles,
// pointers as addresses; a few calls also keep what their pointer shows
// (glVertex3fv its three floats, glCallLists its bytes).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "glbinding/GLTypes.h"

struct GLCall {
  std::string name;
  std::vector<double> args;
  std::vector<const void *> pointers;
  std::vector<float> vertex;  // glVertex3fv
  std::string bytes;          // glCallLists with GL_UNSIGNED_BYTE
};

class GLRecorder {
 public:
  GLRecorder();
  ~GLRecorder();
  GLRecorder(const GLRecorder &) = delete;
  GLRecorder &operator=(const GLRecorder &) = delete;

  std::vector<GLCall> calls;
  GLuint nextList = 1;     // glGenLists hands out names from here
  GLuint nextTexture = 1;  // glGenTextures likewise
  // Called with each call once it is recorded.
  std::function<void(const GLCall &)> onCall;

  // The names of the calls, in order.
  std::vector<std::string> Names() const;
  // The calls with this name, in order.
  std::vector<GLCall> Named(const std::string &name) const;
  void Clear() { calls.clear(); }

  static GLRecorder *Current();
};

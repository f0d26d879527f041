#include "tests/support/GLRecorder.h"

#include <cstring>
#include <type_traits>

#include "glbinding/GLLoader.h"

namespace {

GLRecorder *current = nullptr;

template <class T>
void AddArgument(GLCall &call, T value) {
  if constexpr (std::is_pointer_v<T>) {
    call.pointers.push_back(reinterpret_cast<const void *>(value));
  } else if constexpr (std::is_arithmetic_v<T>) {
    call.args.push_back(static_cast<double>(value));
  } else {
    call.pointers.push_back(nullptr);
  }
}

template <class Ret>
struct Record {
  const char *name;
  template <class... Args>
  Ret operator()(Args... args) const {
    GLCall call;
    call.name = name;
    (AddArgument(call, args), ...);
    GLRecorder &recorder = *current;
    if (call.name == "glVertex3fv" && !call.pointers.empty() && call.pointers[0]) {
      const float *v = static_cast<const float *>(call.pointers[0]);
      call.vertex.assign(v, v + 3);
    }
    if (call.name == "glCallLists" && call.args.size() == 2 && call.args[1] == GL_UNSIGNED_BYTE &&
        call.args[0] > 0 && call.pointers[0])
      call.bytes.assign(static_cast<const char *>(call.pointers[0]), std::size_t(call.args[0]));
    if (call.name == "glGenTextures" && call.args.size() == 1 && call.pointers[0]) {
      GLuint *names = const_cast<GLuint *>(static_cast<const GLuint *>(call.pointers[0]));
      for (int i = 0; i < int(call.args[0]); ++i) names[i] = recorder.nextTexture++;
    }
    recorder.calls.push_back(std::move(call));
    if (recorder.onCall) recorder.onCall(recorder.calls.back());
    if constexpr (std::is_same_v<Ret, GLuint>) {
      if (recorder.calls.back().name == "glGenLists") {
        const GLuint first = recorder.nextList;
        recorder.nextList += GLuint(recorder.calls.back().args[0]);
        return first;
      }
    }
    if constexpr (!std::is_void_v<Ret>) return Ret{};
  }
};

// Recorders cover OpenGL 1.0 to 1.5 and GLU, everything that the program
// and its tests call. A recorder for each of the 3000 entry points of the
// full list would make this file take a minute to compile; the others keep
// their forwarders while a GLRecorder lives.
// RECORDER_WHEN(family)(code) keeps code for those families only: for them
// RECORDED_<family> expands to "~, 1", which moves 1 into second place.
#define RECORDED_GL_VERSION_1_0 ~, 1
#define RECORDED_GL_VERSION_1_1 ~, 1
#define RECORDED_GL_VERSION_1_2 ~, 1
#define RECORDED_GL_VERSION_1_3 ~, 1
#define RECORDED_GL_VERSION_1_4 ~, 1
#define RECORDED_GL_VERSION_1_5 ~, 1
#define RECORDED_GLU ~, 1
#define RECORDER_SECOND(a, b, ...) b
#define RECORDER_PICK(...) RECORDER_SECOND(__VA_ARGS__, 0, ~)
#define RECORDER_CAT(a, b) RECORDER_CAT_(a, b)
#define RECORDER_CAT_(a, b) a##b
#define RECORDER_WHEN(family) RECORDER_CAT(RECORDER_WHEN_, RECORDER_PICK(RECORDED_##family))
#define RECORDER_WHEN_1(...) __VA_ARGS__
#define RECORDER_WHEN_0(...)

#define GL_LAZY(family, ret, name, params, args) \
  RECORDER_WHEN(family)(ret Record_##name params { return Record<ret>{#name} args; })
#define GLU_EAGER GL_LAZY
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GLU_EAGER

}  // namespace

GLRecorder::GLRecorder() {
  current = this;
#define GL_LAZY(family, ret, name, params, args) RECORDER_WHEN(family)(name = Record_##name;)
#define GLU_EAGER GL_LAZY
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GLU_EAGER
}

GLRecorder::~GLRecorder() {
  InstallForwarders();
  current = nullptr;
}

GLRecorder *GLRecorder::Current() { return current; }

std::vector<std::string> GLRecorder::Names() const {
  std::vector<std::string> names;
  for (const GLCall &call : calls) names.push_back(call.name);
  return names;
}

std::vector<GLCall> GLRecorder::Named(const std::string &name) const {
  std::vector<GLCall> found;
  for (const GLCall &call : calls)
    if (call.name == name) found.push_back(call);
  return found;
}

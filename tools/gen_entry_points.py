#!/usr/bin/env python3
"""Writes the loader's entry-point list from the Khronos registry.

    python3 tools/gen_entry_points.py --output-dir glbinding

reads gl.xml, glx.xml and wgl.xml (Debian's khronos-api) and GLU's header,
and writes two files into the output folder:

- EntryPoints.inc: one X-macro line per entry point,
  KIND(family, return type, name, (parameters), (arguments)), where KIND is
  GL_LAZY (forwarder, looked up through ResolveEntryPoint), GL_LAZY_PROC
  (forwarder, looked up through the window system's own lookup alone,
  glXGetProcAddressARB or wglGetProcAddress: OpenGL 2.0), GLX_EAGER (the
  GLX core, bound by InitOpenGL), WGL_EAGER and WGL_EAGER_LAZY (the WGL
  entries that InitOpenGL binds, the second kind with a forwarder too; both
  take the name looked up as a sixth argument) or GLU_EAGER (all of GLU).
  The window system's lines stand under #if defined(_WIN32): WGL for
  Windows, GLX for the others.
- RegistryTypes.inc: the registry's C types that these signatures use and
  that glbinding/GLTypes.h or <windows.h> does not already define.

It prints the number of entry points per family on standard output.

The set: every command that OpenGL 1.0 to 2.0 requires, with the imaging
subset of 1.2 (GL_ARB_imaging); every command of every extension supported
by desktop OpenGL ("gl") that is not already among those; the GLX 1.0 to 1.4
core; every GLX extension command; the WGL entries of the Windows GL
library (WGL_EAGER_NAMES) and every WGL extension command; and the 51 entry
points of GLU 1.2 that the loader binds eagerly, with the signatures of
<GL/glu.h>.
"""

import argparse
import collections
import os
import re
import sys
import xml.etree.ElementTree as ET

REGISTRY = "/usr/share/khronos-api"
GLU_HEADER = "/usr/include/GL/glu.h"
HERE = os.path.dirname(os.path.abspath(__file__))
GL_TYPES_HEADER = os.path.join(HERE, os.pardir, "glbinding", "GLTypes.h")
COMMAND = "python3 tools/gen_entry_points.py --output-dir glbinding"

GL_VERSIONS = ["GL_VERSION_1_0", "GL_VERSION_1_1", "GL_VERSION_1_2", "GL_VERSION_1_3",
               "GL_VERSION_1_4", "GL_VERSION_1_5", "GL_VERSION_2_0"]
# OpenGL 2.0's entry points are looked up through the window system's own
# lookup alone (glXGetProcAddressARB, wglGetProcAddress).
PROC_ONLY_VERSION = "GL_VERSION_2_0"
# OpenGL 1.2's optional imaging subset, specified as an extension.
IMAGING_EXTENSION = "GL_ARB_imaging"
# The loaders' own lookup functions: bound by InitOpenGL, not forwarders.
LOOKUP_FUNCTIONS = {"glXGetProcAddressARB", "wglGetProcAddress"}

# The WGL entries that InitOpenGL binds from the Windows GL library, in that
# order, after glGetString: (variable, name looked up). The unsuffixed font
# functions are the ANSI ones. wglGetExtensionsStringEXT is an extension
# that has a forwarder as well.
WGL_EAGER_NAMES = [
    ("wglCopyContext", "wglCopyContext"), ("wglCreateLayerContext", "wglCreateLayerContext"),
    ("wglCreateContext", "wglCreateContext"), ("wglDeleteContext", "wglDeleteContext"),
    ("wglDescribeLayerPlane", "wglDescribeLayerPlane"),
    ("wglGetCurrentContext", "wglGetCurrentContext"), ("wglGetCurrentDC", "wglGetCurrentDC"),
    ("wglGetLayerPaletteEntries", "wglGetLayerPaletteEntries"), ("wglMakeCurrent", "wglMakeCurrent"),
    ("wglRealizeLayerPalette", "wglRealizeLayerPalette"),
    ("wglSetLayerPaletteEntries", "wglSetLayerPaletteEntries"), ("wglShareLists", "wglShareLists"),
    ("wglSwapLayerBuffers", "wglSwapLayerBuffers"), ("wglSwapMultipleBuffers", "wglSwapMultipleBuffers"),
    ("wglGetExtensionsStringEXT", "wglGetExtensionsStringEXT"),
    ("wglUseFontBitmapsA", "wglUseFontBitmapsA"), ("wglUseFontOutlinesA", "wglUseFontOutlinesA"),
    ("wglUseFontBitmapsW", "wglUseFontBitmapsW"), ("wglUseFontOutlinesW", "wglUseFontOutlinesW"),
    ("wglUseFontBitmaps", "wglUseFontBitmapsA"), ("wglUseFontOutlines", "wglUseFontOutlinesA"),
]
WGL_EAGER_WITH_FORWARDER = {"wglGetExtensionsStringEXT"}
# The one WGL entry that the registry leaves out, as <wingdi.h> declares it.
WGL_EXTRA_COMMANDS = """
<registry><commands>
  <command><proto><ptype>DWORD</ptype> <name>wglSwapMultipleBuffers</name></proto>
    <param><ptype>UINT</ptype> <name>n</name></param>
    <param>const <ptype>WGLSWAP</ptype> *<name>swaps</name></param></command>
</commands></registry>
"""

# GLU entry points in the order in which InitOpenGL binds them.
GLU_NAMES = """
gluBeginCurve gluBeginPolygon gluBeginSurface gluBeginTrim gluBuild1DMipmaps
gluBuild2DMipmaps gluCylinder gluDeleteNurbsRenderer gluDeleteQuadric
gluDeleteTess gluDisk gluEndCurve gluEndPolygon gluEndSurface gluEndTrim
gluErrorString gluGetNurbsProperty gluGetString gluGetTessProperty
gluLoadSamplingMatrices gluLookAt gluNewNurbsRenderer gluNewQuadric gluNewTess
gluNextContour gluNurbsCallback gluNurbsCurve gluNurbsProperty gluNurbsSurface
gluOrtho2D gluPartialDisk gluPerspective gluPickMatrix gluProject gluPwlCurve
gluQuadricCallback gluQuadricDrawStyle gluQuadricNormals gluQuadricOrientation
gluQuadricTexture gluScaleImage gluSphere gluTessBeginContour
gluTessBeginPolygon gluTessCallback gluTessEndContour gluTessEndPolygon
gluTessNormal gluTessProperty gluTessVertex gluUnProject
""".split()

# <KHR/khrplatform.h> on the 64-bit platforms we build for (Linux, Windows),
# spelled so that one text serves both: long is 32 bits on Windows.
KHRONOS_TYPES = {
    "khronos_int8_t": "signed char",
    "khronos_uint8_t": "unsigned char",
    "khronos_int16_t": "signed short int",
    "khronos_uint16_t": "unsigned short int",
    "khronos_int32_t": "std::int32_t",
    "khronos_float_t": "float",
    "khronos_intptr_t": "std::intptr_t",
    "khronos_ssize_t": "std::ptrdiff_t",
    "khronos_int64_t": "std::int64_t",
    "khronos_uint64_t": "std::uint64_t",
}
# Spelled as GLTypes.h spells them (the same type under a name that is not
# reserved to the implementation).
RENAMED_TYPES = {"__GLXextFuncPtr": "GLXextFuncPtr"}
# Registry types that <cstdint>, included by GLTypes.h, defines.
STANDARD_TYPES = {"int32_t", "int64_t"}
# Types of the WGL signatures that <windows.h> defines (the registry lists
# them without a definition), and the one it defines for wglSwapMultipleBuffers.
WINDOWS_EXTRA_TYPES = {"WGLSWAP"}

HEADER = """\
// Generated by `{command}`
// from gl.xml, glx.xml and wgl.xml in {registry} and from {glu}.
// Do not edit: change the generator and run that command again.
"""

ENTRY_POINTS_INTRO = """\
// The entry points that the loader gives the program, one line each.
//
// Included several times with different definitions of the macros below to
// declare the variables, define them with their forwarders, install the
// forwarders and bind the eager groups. A macro the includer leaves
// undefined expands to nothing.
//
//   GL_LAZY(family, ret, name, params, args)
//       Starts at a forwarder that resolves the name through
//       ResolveEntryPoint on its first call.
//   GL_LAZY_PROC(family, ret, name, params, args)
//       Starts at a forwarder that asks the window system's own lookup
//       alone: glXGetProcAddressARB, or wglGetProcAddress on Windows.
//   GLX_EAGER(family, ret, name, params, args)
//       No forwarder: null until InitOpenGL binds it from the GL library.
//   WGL_EAGER(family, ret, name, params, args, symbol)
//       Windows: no forwarder; null until InitOpenGL binds it from the GL
//       library, looked up under the name symbol.
//   WGL_EAGER_LAZY(family, ret, name, params, args, symbol)
//       Windows: bound by InitOpenGL like WGL_EAGER, and starts at a
//       forwarder like GL_LAZY.
//   GLU_EAGER(family, ret, name, params, args)
//       Bound by InitOpenGL from the GLU library; starts at a forwarder
//       that resolves through ResolveEntryPoint for when GLU is missing.
//
// family is GL_VERSION_1_0 to GL_VERSION_2_0 for core OpenGL (the imaging
// subset counts as 1.2), the vendor suffix for an OpenGL extension (ARB, NV,
// 3DFX, ...), GLX_VERSION_1_0 to GLX_VERSION_1_4 for the GLX core, GLX_ and
// the vendor suffix for a GLX extension (GLX_EXT, ...), WGL_VERSION_1_0 for
// the WGL core, WGL_ and the vendor suffix for a WGL extension, and GLU.
//
// The GLX_EAGER, WGL_EAGER(_LAZY) and GLU_EAGER lines are in the order in
// which InitOpenGL binds them.

#ifndef GL_LAZY
#define GL_LAZY(family, ret, name, params, args)
#define GL_ENTRY_POINTS_UNDEF_GL_LAZY
#endif
#ifndef GL_LAZY_PROC
#define GL_LAZY_PROC(family, ret, name, params, args)
#define GL_ENTRY_POINTS_UNDEF_GL_LAZY_PROC
#endif
#ifndef GLX_EAGER
#define GLX_EAGER(family, ret, name, params, args)
#define GL_ENTRY_POINTS_UNDEF_GLX_EAGER
#endif
#ifndef WGL_EAGER
#define WGL_EAGER(family, ret, name, params, args, symbol)
#define GL_ENTRY_POINTS_UNDEF_WGL_EAGER
#endif
#ifndef WGL_EAGER_LAZY
#define WGL_EAGER_LAZY(family, ret, name, params, args, symbol)
#define GL_ENTRY_POINTS_UNDEF_WGL_EAGER_LAZY
#endif
#ifndef GLU_EAGER
#define GLU_EAGER(family, ret, name, params, args)
#define GL_ENTRY_POINTS_UNDEF_GLU_EAGER
#endif
"""

ENTRY_POINTS_OUTRO = """
#ifdef GL_ENTRY_POINTS_UNDEF_GL_LAZY
#undef GL_LAZY
#undef GL_ENTRY_POINTS_UNDEF_GL_LAZY
#endif
#ifdef GL_ENTRY_POINTS_UNDEF_GL_LAZY_PROC
#undef GL_LAZY_PROC
#undef GL_ENTRY_POINTS_UNDEF_GL_LAZY_PROC
#endif
#ifdef GL_ENTRY_POINTS_UNDEF_GLX_EAGER
#undef GLX_EAGER
#undef GL_ENTRY_POINTS_UNDEF_GLX_EAGER
#endif
#ifdef GL_ENTRY_POINTS_UNDEF_WGL_EAGER
#undef WGL_EAGER
#undef GL_ENTRY_POINTS_UNDEF_WGL_EAGER
#endif
#ifdef GL_ENTRY_POINTS_UNDEF_WGL_EAGER_LAZY
#undef WGL_EAGER_LAZY
#undef GL_ENTRY_POINTS_UNDEF_WGL_EAGER_LAZY
#endif
#ifdef GL_ENTRY_POINTS_UNDEF_GLU_EAGER
#undef GLU_EAGER
#undef GL_ENTRY_POINTS_UNDEF_GLU_EAGER
#endif
"""

TYPES_INTRO = """\
// The registry's types that extension entry points use, for 64-bit Linux
// and 64-bit Windows. Included by glbinding/GLTypes.h after its own types;
// the types that GLTypes.h or <windows.h> already defines are not repeated.
#pragma once
"""

IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")


class Entry:
    def __init__(self, kind, family, ret, name, params):
        self.kind = kind
        self.family = family
        self.ret = ret
        self.name = name
        self.params = params  # [(declaration, name)]
        self.types = set()
        self.symbol = None  # the name looked up, where it is an argument

    def line(self):
        params = ", ".join(decl for decl, _ in self.params)
        args = ", ".join(arg for _, arg in self.params)
        symbol = f', "{self.symbol}"' if self.symbol else ""
        return f"{self.kind}({self.family}, {self.ret}, {self.name}, ({params}), ({args}){symbol})"


def tidy(text):
    """One space between words, and a pointer's star next to its name."""
    text = " ".join(text.split())
    text = re.sub(r"\s*\*\s*", " *", text)
    text = text.replace("* *", "**")
    return text.strip()


def ptypes_renamed(element):
    for ptype in element.iter("ptype"):
        ptype.text = RENAMED_TYPES.get(ptype.text, ptype.text)


def parse_command(element, kind, family):
    ptypes_renamed(element)
    proto = element.find("proto")
    name = proto.find("name").text
    text = "".join(proto.itertext()).rstrip()
    ret = tidy(text[: -len(name)])  # the name comes last
    entry = Entry(kind, family, ret, name, [])
    entry.types.update(t.text for t in proto.findall("ptype"))
    for param in element.findall("param"):
        pname = param.find("name").text
        decl = tidy("".join(param.itertext()))
        entry.params.append((decl, pname))
        entry.types.update(t.text for t in param.findall("ptype"))
    return entry


def load_commands(root):
    return {c.find("proto").find("name").text: c for c in root.find("commands")}


def vendor_of(extension_name):
    return extension_name.split("_")[1]


def suffix_family(name, vendors, fallback):
    """The vendor suffix of the name, or the defining extension's vendor."""
    for vendor in sorted(vendors, key=len, reverse=True):
        if name.endswith(vendor) and len(name) > len(vendor):
            return vendor
    return fallback


def gl_entries(root):
    commands = load_commands(root)
    core = collections.OrderedDict()  # name -> family
    for feature in root.findall("feature"):
        if feature.get("api") != "gl" or feature.get("name") not in GL_VERSIONS:
            continue
        for require in feature.findall("require"):
            for command in require.findall("command"):
                core.setdefault(command.get("name"), feature.get("name"))

    extensions = [e for e in root.find("extensions") if "gl" in e.get("supported").split("|")]
    vendors = {vendor_of(e.get("name")) for e in root.find("extensions")}

    # The imaging subset belongs to OpenGL 1.2, also where a later version
    # made one of its commands core.
    for extension in extensions:
        if extension.get("name") != IMAGING_EXTENSION:
            continue
        for require in extension.findall("require"):
            for command in require.findall("command"):
                name = command.get("name")
                if name not in core or GL_VERSIONS.index(core[name]) > 2:
                    core[name] = "GL_VERSION_1_2"

    entries = []
    for version in GL_VERSIONS:
        kind = "GL_LAZY_PROC" if version == PROC_ONLY_VERSION else "GL_LAZY"
        for name, family in core.items():
            if family == version:
                entries.append(parse_command(commands[name], kind, family))

    seen = set(core)
    for extension in extensions:
        for require in extension.findall("require"):
            if require.get("api", "gl") != "gl":
                continue
            for command in require.findall("command"):
                name = command.get("name")
                if name in seen:
                    continue
                seen.add(name)
                family = suffix_family(name, vendors, vendor_of(extension.get("name")))
                entries.append(parse_command(commands[name], "GL_LAZY", family))
    return entries


def glx_entries(root):
    commands = load_commands(root)
    entries = []
    seen = set(LOOKUP_FUNCTIONS)
    for feature in root.findall("feature"):
        for require in feature.findall("require"):
            for command in require.findall("command"):
                name = command.get("name")
                if name not in seen:
                    seen.add(name)
                    entries.append(parse_command(commands[name], "GLX_EAGER", feature.get("name")))
    return entries + window_system_extensions(root, commands, seen, "glx")


def window_system_extensions(root, commands, seen, api):
    """The lazily bound commands of the window system's extensions that are
    not in seen, in registry order, each under its vendor's family."""
    entries = []
    vendors = {vendor_of(e.get("name")) for e in root.find("extensions")}
    for extension in root.find("extensions"):
        if api not in extension.get("supported").split("|"):
            continue
        for require in extension.findall("require"):
            for command in require.findall("command"):
                name = command.get("name")
                if name in seen:
                    continue
                seen.add(name)
                family = api.upper() + "_" + suffix_family(name, vendors, vendor_of(extension.get("name")))
                entries.append(parse_command(commands[name], "GL_LAZY", family))
    return entries


def wgl_entries(root):
    commands = load_commands(root)
    commands.update(load_commands(ET.fromstring(WGL_EXTRA_COMMANDS)))
    entries = []
    for variable, symbol in WGL_EAGER_NAMES:
        kind = "WGL_EAGER_LAZY" if variable in WGL_EAGER_WITH_FORWARDER else "WGL_EAGER"
        source = commands.get(variable) or commands[symbol]
        entry = parse_command(source, kind, "WGL_VERSION_1_0")
        entry.name = variable
        entry.symbol = symbol
        entries.append(entry)
    seen = set(LOOKUP_FUNCTIONS) | {variable for variable, _ in WGL_EAGER_NAMES}
    for feature in root.findall("feature"):  # the rest of the core is gdi32's
        for require in feature.findall("require"):
            seen.update(command.get("name") for command in require.findall("command"))
    entries += window_system_extensions(root, commands, seen, "wgl")
    for entry in entries:
        if entry.name == "wglGetExtensionsStringEXT":
            entry.family = "WGL_EXT"
    return entries


def glu_entries(header_path):
    with open(header_path) as header:
        text = header.read()
    found = {}
    pattern = re.compile(r"^GLAPI\s+([^\n]+?)\s*GLAPIENTRY\s+(glu\w+)\s*\(([^)]*)\)\s*;", re.M)
    for ret, name, params in pattern.findall(text):
        found[name] = (ret, params)
    entries = []
    for name in GLU_NAMES:
        if name not in found:
            sys.exit(f"{header_path} lacks {name}")
        ret, params = found[name]
        params = params.replace("_GLUfuncptr", "GLUfuncptr")
        entry = Entry("GLU_EAGER", "GLU", tidy(ret), name, [])
        if tidy(params) not in ("", "void"):
            for param in params.split(","):
                decl = tidy(param)
                entry.params.append((decl, IDENTIFIER.findall(decl)[-1]))
        entries.append(entry)
    return entries


def hand_written_types(path):
    with open(path) as header:
        text = header.read()
    names = set(re.findall(r"\busing\s+(\w+)\s*=", text))
    names |= set(re.findall(r"\bstruct\s+(\w+)\s*;", text))
    return names


class Types:
    """The registry's type definitions, by name, in registry order."""

    def __init__(self, roots):
        self.order = []
        self.text = {}
        self.requires = {}
        for root in roots:
            for element in root.find("types"):
                name = element.get("name") or (element.find("name").text
                                               if element.find("name") is not None else None)
                if name is None or name in self.text:
                    continue
                self.order.append(name)
                self.text[name] = self.definition(name, element)

    @staticmethod
    def definition(name, element):
        if name == "GLhandleARB":  # the non-Apple branch of the registry's #ifdef
            return "typedef unsigned int GLhandleARB;"
        text = "".join(element.itertext()).strip()
        if not text or text.startswith("#"):
            return None  # defined outside the registry (Xlib, platform headers)
        for khronos, plain in KHRONOS_TYPES.items():
            text = text.replace(khronos, plain)
        return text


def select_entries(entries, types, defined):
    """Drops the entries whose types nobody defines on this platform."""
    kept, dropped = [], []
    for entry in entries:
        missing = [t for t in entry.types
                   if t not in defined and (t not in types.text or types.text[t] is None)]
        (dropped if missing else kept).append((entry, missing))
    return [e for e, _ in kept], dropped


def types_needed(entries, types, defined):
    wanted = set()
    stack = [t for e in entries for t in e.types]
    while stack:
        name = stack.pop()
        if name in wanted or name in defined or types.text.get(name) is None:
            continue
        wanted.add(name)
        stack.extend(w for w in IDENTIFIER.findall(types.text[name]) if w in types.text)
    return [name for name in types.order if name in wanted]


def family_sort_key(family):
    """OpenGL versions, OpenGL extensions, GLX, WGL, GLU."""
    if family.startswith("GL_VERSION_"):
        return (0, family)
    if family.startswith("GLX_VERSION_"):
        return (2, family)
    if family.startswith("GLX_"):
        return (3, family)
    if family.startswith("WGL_VERSION_"):
        return (4, family)
    if family.startswith("WGL_"):
        return (5, family)
    if family == "GLU":
        return (6, family)
    return (1, family)


def windows_types(root):
    """The WGL signatures' types that the registry leaves to <windows.h>."""
    names = set(WINDOWS_EXTRA_TYPES)
    for element in root.find("types"):
        if element.get("name") and not "".join(element.itertext()).strip():
            names.add(element.get("name"))
    return names


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--output-dir", required=True)
    parser.add_argument("--registry", default=REGISTRY)
    parser.add_argument("--glu-header", default=GLU_HEADER)
    parser.add_argument("--gl-types", default=GL_TYPES_HEADER)
    options = parser.parse_args()

    gl_root = ET.parse(os.path.join(options.registry, "gl.xml")).getroot()
    glx_root = ET.parse(os.path.join(options.registry, "glx.xml")).getroot()
    wgl_root = ET.parse(os.path.join(options.registry, "wgl.xml")).getroot()
    types = Types([gl_root, glx_root])
    wgl_types = Types([gl_root, wgl_root])
    defined = hand_written_types(options.gl_types) | STANDARD_TYPES
    windows_defined = defined | windows_types(wgl_root)

    gl = gl_entries(gl_root)
    glx = glx_entries(glx_root)
    wgl = wgl_entries(wgl_root)
    glu = glu_entries(options.glu_header)
    gl, gl_dropped = select_entries(gl, types, defined)
    glx, glx_dropped = select_entries(glx, types, defined)
    wgl, wgl_dropped = select_entries(wgl, wgl_types, windows_defined)
    dropped = gl_dropped + glx_dropped + wgl_dropped

    header = HEADER.format(command=COMMAND, registry=options.registry, glu=options.glu_header)
    out = [header, ENTRY_POINTS_INTRO]
    def section(title, entries):
        out.append("")
        out.append(f"// {title}")
        for entry in entries:
            out.append(entry.line())
    def extensions(prefix, entries):
        by_family = collections.OrderedDict()
        for entry in entries:
            by_family.setdefault(entry.family, []).append(entry)
        for family in sorted(by_family):
            section(f"{prefix} extensions, {family[4:]}: {len(by_family[family])}.", by_family[family])

    by_family = collections.OrderedDict()
    for entry in gl:
        by_family.setdefault(entry.family, []).append(entry)
    for family in sorted(by_family, key=family_sort_key):
        entries = by_family[family]
        if family.startswith("GL_VERSION_"):
            how = ("looked up through glXGetProcAddressARB or wglGetProcAddress alone"
                   if family == PROC_ONLY_VERSION else "looked up through ResolveEntryPoint")
            title = f"OpenGL {family[11:].replace('_', '.')}: {len(entries)}, {how}."
        else:
            title = f"OpenGL extensions, {family}: {len(entries)}."
        section(title, entries)

    out.append("")
    out.append("#if defined(_WIN32)")
    wgl_eager = [e for e in wgl if e.kind != "GL_LAZY"]
    section(f"WGL: {len(wgl_eager)}, bound eagerly after glGetString, in this order.", wgl_eager)
    extensions("WGL", [e for e in wgl if e.kind == "GL_LAZY"])
    out.append("")
    out.append("#else")
    glx_core = [e for e in glx if e.kind == "GLX_EAGER"]
    section(f"GLX 1.0 to 1.4 core: {len(glx_core)}, bound eagerly after glGetString.", glx_core)
    extensions("GLX", [e for e in glx if e.kind != "GLX_EAGER"])
    out.append("")
    out.append("#endif")

    section(f"GLU: {len(glu)}, bound eagerly in this order.", glu)
    if dropped:
        out.append("")
        out.append("// Left out: their types exist only on other platforms.")
        for entry, missing in dropped:
            out.append(f"//   {entry.name} ({', '.join(sorted(missing))})")
    out.append(ENTRY_POINTS_OUTRO)

    os.makedirs(options.output_dir, exist_ok=True)
    with open(os.path.join(options.output_dir, "EntryPoints.inc"), "w") as f:
        f.write("\n".join(out))

    common = types_needed(gl + glu, types, defined)
    type_lines = [header, TYPES_INTRO]
    type_lines += [types.text[name] for name in common]
    type_lines.append("#if defined(_WIN32)")
    type_lines += [wgl_types.text[name] for name in types_needed(wgl, wgl_types, windows_defined)
                   if name not in common]
    type_lines.append("#else")
    type_lines += [types.text[name] for name in types_needed(glx, types, defined) if name not in common]
    type_lines.append("#endif")
    with open(os.path.join(options.output_dir, "RegistryTypes.inc"), "w") as f:
        f.write("\n".join(type_lines) + "\n")

    everything = gl + glx + wgl + glu
    counts = collections.Counter(e.family for e in everything)
    forwarders = collections.Counter()
    for e in everything:
        if e.kind in ("GL_LAZY", "GL_LAZY_PROC", "GLU_EAGER", "WGL_EAGER_LAZY"):
            forwarders["WGL" if e.family.startswith("WGL") else "GLX" if e.family.startswith("GLX")
                       else "GL"] += 1
    print("family\tentries")
    for family in sorted(counts, key=family_sort_key):
        print(f"{family}\t{counts[family]}")
    gl_ext = sum(n for f, n in counts.items() if not f.startswith(("GL_VERSION", "GLX", "WGL", "GLU")))
    for prefix in ("GLX", "WGL"):
        print(f"{prefix} extensions\t" + str(sum(n for f, n in counts.items()
                                               if f.startswith(prefix + "_") and "VERSION" not in f)))
    print(f"OpenGL extensions\t{gl_ext}")
    print(f"forwarders on Linux\t{forwarders['GL'] + forwarders['GLX']}")
    print(f"forwarders on Windows\t{forwarders['GL'] + forwarders['WGL']}")
    print(f"looked up through the window system's lookup alone\t{counts[PROC_ONLY_VERSION]}")
    print(f"left out\t{len(dropped)}: " + ", ".join(e.name for e, _ in dropped))


if __name__ == "__main__":
    main()

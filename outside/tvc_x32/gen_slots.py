#!/usr/bin/env python3
"""Generates C++ from the renderer slot table (renderer_slots.txt).

  gen_slots.py TABLE library OUTDIR
      tvc_renderer_slots.h    virtual declarations, included in tvc::Renderer
      tvc_renderer_slots.cpp  the library's default bodies

  gen_slots.py TABLE plugin OUTDIR COLUMN AREAS
      vk_slots.h        override declarations, included in VulkanPLugin:
                        the fixed-answer stubs and the own operations of the
                        areas built (AREAS, comma-separated: each own area of
                        the column, and no other)
      vk_slots.cpp      the stub bodies
      vk_stub_cases.inc one test case per stub: slot, name, argument words, a
                        call through the interface and the interface position
                        (slot_position, which the including test defines); the
                        answer is left out, for tests to state their own
COLUMN is "vulkan2" or "vulkan". Builds for 32-bit x86 check at compile time
that every slot takes the number of argument words the table states.
"""
import os
import sys

COLUMNS = {"vulkan2": 5, "vulkan": 6}
ANSWERS = {"false", "true", "0", "-1", "0.0", "void", "identity"}


class Slot:
    def __init__(self, fields, line_no):
        if len(fields) != 7:
            raise SystemExit("renderer_slots.txt:%d: expected 7 columns" % line_no)
        self.slot = int(fields[0])
        self.name = fields[1]
        self.ret = fields[2]
        self.params = [p.strip() for p in fields[3].split(",") if p.strip()]
        self.words = int(fields[4])
        self.impl = {"vulkan2": fields[5], "vulkan": fields[6]}

    def param_decl(self):
        return ", ".join(self.params)

    def types(self):
        return [p if p in ("int", "...") else p.rsplit(" ", 1)[0] for p in self.params]


def read_table(path):
    slots = []
    with open(path) as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            slots.append(Slot(line.split("|"), n))
    for i, s in enumerate(slots):
        if s.slot != i:
            raise SystemExit("slot table: row %d holds slot %d" % (i, s.slot))
        for col in COLUMNS:
            kind = s.impl[col]
            if kind.startswith("stub:") and kind[5:] not in ANSWERS:
                raise SystemExit("slot %d: unknown answer %s" % (s.slot, kind))
    return slots


def default_return(ret):
    if ret == "void":
        return ""
    if ret == "bool":
        return "return false;"
    if ret == "float":
        return "return 0.0f;"
    if ret.endswith("*"):
        return "return nullptr;"
    return "return 0;"


def stub_body(ret, answer):
    if answer == "void":
        return ""
    if answer == "identity":
        return "return &identity_matrix;"
    if answer == "0.0":
        return "return 0.0f;"
    if answer == "0" and ret.endswith("*"):
        return "return nullptr;"
    return "return %s;" % answer


WORDS_HELPER = """#include <cstdint>
#include <type_traits>
namespace {
// 32-bit stack words one argument takes on 32-bit x86.
template <typename T>
constexpr int arg_words() {
  return std::is_reference<T>::value ? 1 : static_cast<int>((sizeof(T) + 3) / 4);
}
template <typename C, typename R, typename... A>
constexpr int slot_words(R (C::*)(A...)) {
  return (0 + ... + arg_words<A>());
}
}  // namespace
"""


def write(path, text):
    old = None
    if os.path.exists(path):
        with open(path) as f:
            old = f.read()
    if old != text:
        with open(path, "w") as f:
            f.write(text)


def gen_library(slots, outdir):
    decl = ["// Generated from renderer_slots.txt: do not edit."]
    body = ["// Generated from renderer_slots.txt: do not edit.", '#include "tvc.h"', WORDS_HELPER,
            "namespace tvc {"]
    asserts = []
    for s in slots:
        if s.slot < 7:  # tvc::Plugin's own slots are written by hand
            continue
        decl.append("virtual %s %s(%s);  // %d" % (s.ret, s.name, s.param_decl(), s.slot))
        if s.impl["vulkan2"] == "lib":  # hand-written in tvc.cpp
            continue
        params = ", ".join(s.types())
        body.append("%s Renderer::%s(%s) { %s }" % (s.ret, s.name, params, default_return(s.ret)))
        asserts.append("static_assert(slot_words(&Renderer::%s) == %d, \"slot %d: argument words\");"
                       % (s.name, s.words, s.slot))
    body.append("}  // namespace tvc")
    body.append("#if defined(__i386__)")
    body.append("using tvc::Renderer;")
    body.extend(asserts)
    body.append("#endif")
    write(os.path.join(outdir, "tvc_renderer_slots.h"), "\n".join(decl) + "\n")
    write(os.path.join(outdir, "tvc_renderer_slots.cpp"), "\n".join(body) + "\n")


def test_arg(t):
    if t.endswith("&"):
        return "kVec4"
    if t.endswith("*"):
        return "nullptr"
    if t == "bool":
        return "true"
    if t == "float":
        return "7.0f"
    return "7"


def check_areas(slots, column, areas):
    """Every own area of the column is built and every area built has a slot:
    a misspelt name would otherwise leave the library's default body in a
    slot, with no error."""
    used = set()
    for s in slots:
        kind = s.impl[column]
        if not kind.startswith("own:"):
            continue
        used.add(kind[4:])
        if kind[4:] not in areas:
            raise SystemExit("slot %d (%s): area %s is not among the areas built" % (s.slot, s.name, kind[4:]))
    unused = sorted(areas - used)
    if unused:
        raise SystemExit("area %s: no slot of the %s column is its own" % (", ".join(unused), column))


def gen_plugin(slots, outdir, column, areas):
    check_areas(slots, column, areas)
    decl = ["// Generated from renderer_slots.txt (%s column): do not edit." % column]
    body = ["// Generated from renderer_slots.txt (%s column): do not edit." % column,
            '#include "vk_plugin.h"', WORDS_HELPER]
    asserts = []
    cases = ["// Generated from renderer_slots.txt (%s column): do not edit." % column]
    for s in slots:
        kind = s.impl[column]
        if kind.startswith("own:"):
            if s.slot > 0:
                decl.append("%s %s(%s) override;  // %d" % (s.ret, s.name, s.param_decl(), s.slot))
        elif kind.startswith("stub:"):
            answer = kind[5:]
            decl.append("%s %s(%s) override;  // %d" % (s.ret, s.name, s.param_decl(), s.slot))
            params = ", ".join(s.types())
            body.append("%s VulkanPLugin::%s(%s) { %s }" % (s.ret, s.name, params, stub_body(s.ret, answer)))
            asserts.append("static_assert(slot_words(&VulkanPLugin::%s) == %d, \"slot %d: argument words\");"
                           % (s.name, s.words, s.slot))
            args = ", ".join(test_arg(t) for t in s.types())
            call = "r->%s(%s)" % (s.name, args)
            if s.ret == "void":
                fn = "[](tvc::Renderer* r) { %s; return StubAnswer{}; }" % call
            else:
                fn = "[](tvc::Renderer* r) { return answer_of(%s); }" % call
            cases.append('{%d, "%s", %d, %s, slot_position(&tvc::Renderer::%s)},' % (s.slot, s.name, s.words, fn, s.name))
    body.append("#if defined(__i386__)")
    body.extend(asserts)
    body.append("#endif")
    write(os.path.join(outdir, "vk_slots.h"), "\n".join(decl) + "\n")
    write(os.path.join(outdir, "vk_slots.cpp"), "\n".join(body) + "\n")
    write(os.path.join(outdir, "vk_stub_cases.inc"), "\n".join(cases) + "\n")


def main(argv):
    if len(argv) < 4:
        raise SystemExit(__doc__)
    slots = read_table(argv[1])
    os.makedirs(argv[3], exist_ok=True)
    if argv[2] == "library":
        gen_library(slots, argv[3])
    elif argv[2] == "plugin" and len(argv) == 6 and argv[4] in COLUMNS:
        gen_plugin(slots, argv[3], argv[4], set(argv[5].split(",")))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv)

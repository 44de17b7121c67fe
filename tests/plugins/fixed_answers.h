// The fixed answers of the renderer plug-ins' stub slots, written down here
// from the renderer interface's definition (not from the slot table the
// plug-ins are generated from), and the check that calls every generated
// stub of the plug-in a test program links through the interface against
// them.
#pragma once

#include <cstddef>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tvc.h"

namespace fixed_answers {

struct StubAnswer {
  enum Kind { kNone, kBool, kInt, kFloat, kPointer } kind = kNone;
  long long i = 0;
  double f = 0;
  const void* p = nullptr;
};
inline StubAnswer answer_of(bool v) { StubAnswer a; a.kind = StubAnswer::kBool; a.i = v; return a; }
inline StubAnswer answer_of(int v) { StubAnswer a; a.kind = StubAnswer::kInt; a.i = v; return a; }
inline StubAnswer answer_of(unsigned v) { StubAnswer a; a.kind = StubAnswer::kInt; a.i = v; return a; }
inline StubAnswer answer_of(float v) { StubAnswer a; a.kind = StubAnswer::kFloat; a.f = v; return a; }
inline StubAnswer answer_of(const void* v) { StubAnswer a; a.kind = StubAnswer::kPointer; a.p = v; return a; }

// Position of a virtual operation in the renderer interface, counted from
// slot 7, the renderer's first (Itanium C++ ABI: a pointer to a virtual
// member holds 1 + its byte offset in the table).
template <typename F>
int slot_position(F member) {
  static_assert(sizeof(F) >= sizeof(ptrdiff_t), "pointer to member");
  auto offset = [](auto m) {
    ptrdiff_t raw = 0;
    memcpy(&raw, &m, sizeof(raw));
    return raw - 1;
  };
  const ptrdiff_t word = static_cast<ptrdiff_t>(sizeof(void*));
  return static_cast<int>((offset(member) - offset(&tvc::Renderer::reserved_7)) / word + 7);
}

// The vector the generated calls pass by reference.
const tvc::vec4 kVec4 = {0.5f, 0.25f, 0.125f, 1.0f};

// One generated stub: its table row, name, argument words, a call through
// the interface and its position there.
struct StubCase {
  int slot;
  const char* name;
  int words;
  StubAnswer (*call)(tvc::Renderer*);
  int position;
};

enum Answer { kNothing, kFalse, kTrue, kZero, kMinusOne, kZeroFloat, kIdentity };

struct FixedGroup {
  Answer answer;
  int words;  // 32-bit argument words
  std::vector<int> slots;
};

// Vulkan2: every slot that does nothing but give its answer, by answer and
// width.
inline const std::vector<FixedGroup>& vulkan2_groups() {
  static const std::vector<FixedGroup> groups = {
    {kNothing, 0, {243, 530, 531, 532, 533, 538, 558, 559, 620}},
    {kNothing, 1, {
         110, 233, 234, 244, 284, 350, 352, 356, 358, 359, 360, 361, 362, 364, 365, 366, 367, 368, 370, 388, 392, 397,
         398, 400, 401, 481, 508, 509, 510, 511, 513, 534, 535, 539, 548, 553, 555, 560, 561, 576, 577, 592, 598, 611,
         612, 613}},
    {kNothing, 2, {
         236, 273, 274, 275, 318, 342, 344, 354, 355, 357, 363, 369, 371, 389, 390, 391, 399, 448, 449, 501, 502, 503,
         512, 516, 517, 540, 544, 545, 546, 547, 550, 551, 552, 554, 557, 562, 563, 565, 584, 610, 618, 619}},
    {kNothing, 3, {272, 320, 385, 425, 426, 450, 451, 455, 456, 457, 460, 461, 462, 537, 564, 566}},
    {kNothing, 4, {
         353, 427, 428, 430, 433, 434, 435, 436, 438, 439, 440, 441, 442, 443, 444, 445, 446, 447, 452, 458, 459, 463,
         466, 536, 541, 543, 549, 585}},
    {kNothing, 5, {319, 429, 431, 453, 454, 464, 556}},
    {kNothing, 6, {432, 437, 465, 467}},
    {kNothing, 8, {242, 468}},
    {kNothing, 10, {469}},
    {kFalse, 0, {245, 301, 312, 372, 483}},
    {kFalse, 1, {
         26, 27, 29, 30, 37, 42, 306, 316, 384, 394, 407, 408, 413, 414, 420, 477, 484, 500, 519, 520, 521, 522, 595}},
    {kFalse, 2, {
         17, 21, 24, 25, 36, 39, 41, 81, 293, 302, 303, 486, 487, 488, 489, 490, 491, 494, 499, 593, 594, 600}},
    {kFalse, 3, {82, 423, 472, 475, 495, 518, 589, 590}},
    {kFalse, 4, {287, 405, 406, 417, 421, 474, 588}},
    {kFalse, 5, {286, 317, 473, 586, 587}},
    {kFalse, 6, {290, 506}},
    {kFalse, 7, {418, 498}},
    {kFalse, 8, {291}},
    {kFalse, 9, {523, 525, 526, 527, 528}},
    {kFalse, 10, {292, 524, 529}},
    {kFalse, 12, {288}},
    {kFalse, 14, {289}},
    {kTrue, 0, {7, 8, 214, 237, 283, 629}},
    {kTrue, 1, {9, 213, 231, 232, 240, 376, 403, 410, 411, 412, 415, 416, 478, 628, 631, 633, 639}},
    {kTrue, 2, {15, 16, 235, 276, 277, 279, 574, 623, 632, 634, 636}},
    {kTrue, 3, {635}},
    {kTrue, 4, {238, 239, 419, 630}},
    {kTrue, 5, {208}},
    {kTrue, 6, {265, 266, 278, 637}},
    {kTrue, 8, {264}},
    {kTrue, 9, {261}},
    {kTrue, 10, {263, 267}},
    {kZero, 0, {
         285, 299, 304, 305, 308, 309, 311, 314, 321, 322, 323, 324, 325, 327, 328, 329, 330, 331, 409, 482, 591, 597,
         625}},
    {kZero, 1, {
         28, 31, 32, 33, 34, 38, 40, 295, 310, 315, 326, 386, 395, 402, 480, 507, 575, 596, 599, 614, 616, 624, 626}},
    {kZero, 2, {35, 294, 383, 422, 424, 471, 476, 479, 615, 617}},
    {kZero, 3, {387, 393, 396, 470, 627}},
    {kZero, 5, {241}},
    {kZero, 6, {514, 515}},
    {kZeroFloat, 0, {313}},
    {kIdentity, 0, {343, 345}},
  };
  return groups;
}

// The first generation: the stubs of its own (where Vulkan2 has operations)
// and slot 623, which only it has.
inline const std::vector<FixedGroup>& first_generation_groups() {
  static const std::vector<FixedGroup> groups = {
    {kFalse, 3, {62}},     {kFalse, 4, {63}},     {kFalse, 3, {64}},     {kFalse, 3, {78}},     {kFalse, 3, {79}},
    {kFalse, 3, {80}},     {kFalse, 1, {84}},     {kFalse, 3, {86}},     {kFalse, 2, {87}},     {kFalse, 1, {88}},
    {kFalse, 1, {89}},     {kFalse, 4, {91}},     {kFalse, 2, {92}},     {kFalse, 4, {93}},     {kFalse, 3, {94}},
    {kFalse, 3, {95}},     {kFalse, 8, {97}},     {kFalse, 2, {103}},    {kFalse, 6, {104}},    {kFalse, 1, {106}},
    {kFalse, 1, {107}},    {kFalse, 1, {108}},    {kFalse, 0, {112}},    {kFalse, 0, {113}},    {kFalse, 3, {125}},
    {kFalse, 3, {126}},    {kFalse, 2, {167}},    {kZero, 2, {83}},      {kZero, 5, {85}},      {kZero, 7, {96}},
    {kZero, 4, {98}},      {kZero, 4, {99}},      {kZero, 1, {105}},     {kZero, 1, {145}},     {kMinusOne, 3, {153}},
    {kMinusOne, 3, {154}}, {kMinusOne, 4, {155}}, {kMinusOne, 4, {156}}, {kTrue, 3, {143}},     {kTrue, 3, {144}},
    {kTrue, 2, {199}},     {kNothing, 0, {111}},  {kNothing, 2, {146}},  {kNothing, 2, {152}},  {kNothing, 3, {582}},
    {kZero, 4, {623}},
  };
  return groups;
}

struct Fixed {
  Answer answer;
  int words;
};

// Interface position -> answer. Vulkan2 leaves position 623 to the library,
// so its slots from 623 on sit one position later; the first generation has
// every Vulkan2 stub, at the next position from 623 on, and its own.
inline std::map<int, Fixed> expected_answers(bool first_generation) {
  std::map<int, Fixed> want;
  for (const FixedGroup& g : vulkan2_groups())
    for (int slot : g.slots) want[slot < 623 ? slot : slot + 1] = {g.answer, g.words};
  if (first_generation)
    for (const FixedGroup& g : first_generation_groups())
      for (int slot : g.slots) want[slot] = {g.answer, g.words};
  return want;
}

inline const char* answer_name(Answer a) {
  static const char* const names[] = {"nothing", "false", "true", "0", "-1", "0.0", "the identity matrix"};
  return names[a];
}

// Calls every generated stub through the interface: each must sit at its
// table row, be one the list names, take the listed words and give the
// listed answer; a listed slot without a generated stub fails too.
// The stubs of the plug-in the test program links (its generated list).
const StubCase kStubCases[] = {
#include "vk_stub_cases.inc"
};

inline void expect_fixed_answers(tvc::Renderer* renderer, bool first_generation) {
  const std::map<int, Fixed> want = expected_answers(first_generation);
  std::set<int> called;
  const void* identity = nullptr;
  for (const StubCase& c : kStubCases) {
    SCOPED_TRACE(std::string("slot ") + std::to_string(c.slot) + " " + c.name);
    EXPECT_EQ(c.position, c.slot) << "the table row is not the interface position";
    auto it = want.find(c.position);
    if (it == want.end()) {
      ADD_FAILURE() << "a fixed answer where the renderer has an operation of its own";
      continue;
    }
    called.insert(c.position);
    EXPECT_EQ(c.words, it->second.words);
    const StubAnswer a = c.call(renderer);
    switch (it->second.answer) {
      case kNothing:
        EXPECT_EQ(a.kind, StubAnswer::kNone);
        break;
      case kFalse:
      case kTrue:
        EXPECT_EQ(a.kind, StubAnswer::kBool);
        EXPECT_EQ(a.i, it->second.answer == kTrue ? 1 : 0);
        break;
      case kZero:
        EXPECT_TRUE((a.kind == StubAnswer::kInt && a.i == 0) || (a.kind == StubAnswer::kPointer && !a.p))
            << "want 0";
        break;
      case kMinusOne:
        EXPECT_EQ(a.kind, StubAnswer::kInt);
        EXPECT_EQ(a.i, -1);
        break;
      case kZeroFloat:
        EXPECT_EQ(a.kind, StubAnswer::kFloat);
        EXPECT_EQ(a.f, 0.0);
        break;
      case kIdentity: {
        ASSERT_EQ(a.kind, StubAnswer::kPointer);
        ASSERT_NE(a.p, nullptr);
        const float* m = static_cast<const float*>(a.p);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
        if (identity) {
          EXPECT_EQ(a.p, identity) << "one identity matrix";
        }
        identity = a.p;
        break;
      }
    }
  }
  for (const auto& entry : want)
    if (!called.count(entry.first))
      ADD_FAILURE() << "slot " << entry.first << " should answer " << answer_name(entry.second.answer)
                    << " but has no fixed-answer body";
}

}  // namespace fixed_answers

#include "lumaq.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <new>

namespace Korveth_nsp {

namespace {
std::atomic<size_t> g_allocationCeiling{SIZE_MAX};
}  // namespace

bool kvAllocationFits(size_t count, size_t elementSize) {
  if (elementSize != 0 && count > SIZE_MAX / elementSize) return false;
  return count * elementSize <= g_allocationCeiling.load();
}

void kvSetAllocationCeiling(size_t bytes) { g_allocationCeiling = bytes; }
void kvClearAllocationCeiling() { g_allocationCeiling = SIZE_MAX; }

kvLinkedList::kvLinkedList() : m_head(nullptr), m_tail(nullptr), m_iterator(nullptr), m_count(0) {}

void* kvLinkedList::getNext() {
  if (!m_iterator) return nullptr;
  void* item = m_iterator->item;
  m_iterator = m_iterator->next;
  return item;
}

kvLinkedList::~kvLinkedList() { clear(); }

bool kvLinkedList::addTail(void* item) {
  Node* n = new (std::nothrow) Node{item, m_tail, nullptr};
  if (!n) return false;
  if (m_tail) m_tail->next = n; else m_head = n;
  m_tail = n;
  ++m_count;
  return true;
}

bool kvLinkedList::remove(void* item) {
  for (Node* n = m_head; n; n = n->next) {
    if (n->item != item) continue;
    if (m_iterator == n) m_iterator = n->next;
    if (n->prev) n->prev->next = n->next; else m_head = n->next;
    if (n->next) n->next->prev = n->prev; else m_tail = n->prev;
    delete n;
    --m_count;
    return true;
  }
  return false;
}

void kvLinkedList::clear() {
  Node* n = m_head;
  while (n) {
    Node* next = n->next;
    delete n;
    n = next;
  }
  m_head = m_tail = m_iterator = nullptr;
  m_count = 0;
}

void* kvLinkedList::at(size_t index) const {
  Node* n = m_head;
  for (size_t i = 0; n && i < index; ++i) n = n->next;
  return n ? n->item : nullptr;
}

kvFont::kvFont() : m_size(12), m_color(1.0f, 1.0f, 1.0f, 1.0f), m_x(0.0f), m_y(0.0f), m_created(false) {
  m_name[0] = '\0';
  m_text[0] = '\0';
}

void kvFont::setName(const char* name) {
  snprintf(m_name, sizeof(m_name), "%s", name ? name : "");
}

void kvFont::setText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(m_text, sizeof(m_text), format ? format : "", args);
  va_end(args);
}

kvQuaternion kvQuaternion::EulerAnglesToQuaternion(float degX, float degY, float degZ) {
  const float h = 3.14159265358979f / 360.0f;  // half angle, in radians
  float cx = cosf(degX * h), sx = sinf(degX * h), cy = cosf(degY * h), sy = sinf(degY * h);
  float cz = cosf(degZ * h), sz = sinf(degZ * h);
  kvQuaternion q;  // q = qz * qy * qx
  q.w = cz * cy * cx + sz * sy * sx;
  q.x = cz * cy * sx - sz * sy * cx;
  q.y = cz * sy * cx + sz * cy * sx;
  q.z = sz * cy * cx - cz * sy * sx;
  return q;
}

unsigned kvKma::genId() {
  static volatile LONG counter = 0;
  LONG id = InterlockedIncrement(&counter);
  if (id == 0) id = InterlockedIncrement(&counter);  // skip 0 after a wrap
  return static_cast<unsigned>(id);
}

kvTraceMgr::kvTraceMgr() : m_enabled(true), m_sink(nullptr), m_sinkUser(nullptr) {}

kvTraceMgr* kvTraceMgr::getInstance() {
  static kvTraceMgr instance;
  return &instance;
}

void kvTraceMgr::setSink(Sink sink, void* user) {
  m_sink = sink;
  m_sinkUser = user;
}

void kvTraceMgr::logTrace(int level, const char* text) {
  if (!m_enabled || !text) return;
  if (m_sink) m_sink(level, text, m_sinkUser);
  char line[1024];
  snprintf(line, sizeof(line), "[lumaq:%d] %s\n", level, text);
  OutputDebugStringA(line);
}

}  // namespace Korveth_nsp

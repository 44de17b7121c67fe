#include "detect/PtrList.h"

#include <windows.h>

#include <new>

namespace {
volatile LONG g_nodeCounter = 0;
}

PtrList::PtrList() { init(); }

PtrList::~PtrList() { clear(); }

void PtrList::init() {
  m_head = m_tail = m_cursor = nullptr;
  m_count = 0;
  m_id = -1;
}

void PtrList::clear() {
  Node* n = m_head;
  while (n) {
    Node* next = n->next;
    delete n;
    n = next;
  }
  init();
}

void* PtrList::itemAt(int i) const {
  if (i < 0) return nullptr;
  Node* n = m_head;
  for (int k = 0; n && k < i; ++k) n = n->next;
  return n ? n->item : nullptr;
}

int PtrList::append(void* item) {
  Node* n = new (std::nothrow) Node;
  if (!n) return -1;
  n->next = nullptr;
  n->nodeId = static_cast<int>(InterlockedIncrement(&g_nodeCounter));
  n->item = item;
  if (m_tail) m_tail->next = n; else m_head = n;
  m_tail = n;
  ++m_count;
  return n->nodeId;
}

PtrList::Node* PtrList::seek(int n) {
  if (n == 0) {
    m_cursor = m_head;
    return m_cursor;
  }
  if (n >= m_count) return m_tail;
  for (int k = 0; k < n && m_cursor; ++k) m_cursor = m_cursor->next;
  return m_cursor;
}

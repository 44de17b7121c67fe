// Stand-in for the outside 3D engine "lumaq": the services the program relies
// on, written from what the program expects of them.
#pragma once
#include <cstddef>

namespace Korveth_nsp {

struct kvVector4 {
  float x, y, z, w;
  kvVector4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
  kvVector4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

// Doubly linked list of borrowed item pointers; it owns its nodes only.
class kvLinkedList {
 public:
  kvLinkedList();
  ~kvLinkedList();
  kvLinkedList(const kvLinkedList&) = delete;
  kvLinkedList& operator=(const kvLinkedList&) = delete;

  bool addTail(void* item);
  // Walks the list: setIterator() to the start, getNext() until null.
  void setIterator() { m_iterator = m_head; }
  void* getNext();
  bool remove(void* item);
  void clear();
  size_t size() const { return m_count; }
  void* at(size_t index) const;

 private:
  struct Node {
    void* item;
    Node* prev;
    Node* next;
  };
  Node* m_head;
  Node* m_tail;
  Node* m_iterator;
  size_t m_count;
};

// HUD font: a value type the demo slots hold; the renderer creates it
// (face and size), then each line of text is set, placed and drawn.
class kvFont {
 public:
  static const int kTextSize = 256;

  kvFont();
  void setName(const char* name);
  const char* getName() const { return m_name; }
  void setSize(int size) { m_size = size; }
  int getSize() const { return m_size; }
  void setColor(const kvVector4& c) { m_color = c; }
  void setColor(float r, float g, float b) { m_color = kvVector4(r, g, b, 1.0f); }
  const kvVector4& getColor() const { return m_color; }
  // printf-style; the text is cut at kTextSize - 1 characters.
  void setText(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
  const char* getText() const { return m_text; }
  // Top-left corner of the text in window pixels, y downwards.
  void setPosition2D(float x, float y) { m_x = x; m_y = y; }
  float getX() const { return m_x; }
  float getY() const { return m_y; }
  bool isCreated() const { return m_created; }
  void setCreated(bool created) { m_created = created; }

 private:
  char m_name[128];
  int m_size;
  kvVector4 m_color;
  char m_text[kTextSize];
  float m_x, m_y;
  bool m_created;
};

// A rotation as a unit quaternion.
struct kvQuaternion {
  float x, y, z, w;
  kvQuaternion() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
  // Rotations about x, then y, then z (degrees).
  static kvQuaternion EulerAnglesToQuaternion(float degX, float degY, float degZ);
};

// Source of process-wide unique ids (never 0).
class kvKma {
 public:
  static unsigned genId();
};

// The engine's trace: levels 1 error, 2 warning, 3 plain, 4 information.
class kvTraceMgr {
 public:
  typedef void (*Sink)(int level, const char* text, void* user);
  static kvTraceMgr* getInstance();
  void logTrace(int level, const char* text);
  void disable() { m_enabled = false; }
  void enable() { m_enabled = true; }
  bool isEnabled() const { return m_enabled; }
  // Where lines go besides the debugger output; tests capture them here.
  void setSink(Sink sink, void* user);

 private:
  kvTraceMgr();
  bool m_enabled;
  Sink m_sink;
  void* m_sinkUser;
};

}  // namespace Korveth_nsp

#include "lumaq_memory.h"
#include "lumaq_scene.h"

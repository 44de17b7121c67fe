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
  size_t m_count;
};

// HUD font: a value type the demo slots hold; drawn by the renderer later.
class kvFont {
 public:
  kvFont();
  void setName(const char* name);
  const char* getName() const { return m_name; }
  void setSize(int size) { m_size = size; }
  int getSize() const { return m_size; }
  void setColor(const kvVector4& c) { m_color = c; }
  const kvVector4& getColor() const { return m_color; }

 private:
  char m_name[64];
  int m_size;
  kvVector4 m_color;
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

// The engine singleton.
class Korveth {
 public:
  static Korveth* getInstance();
  bool startup(int glMajor, int glMinor, void* reserved);
  void shutdown(void* renderWindow);
  bool isStarted() const { return m_started; }

 private:
  Korveth();
  bool m_started;
  int m_glMajor;
  int m_glMinor;
};

}  // namespace Korveth_nsp

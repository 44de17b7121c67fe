// Singly linked list of borrowed item pointers: the list owns its nodes,
// never its items. Node ids come from one counter shared by every list.
#pragma once

class PtrList {
 public:
  struct Node {
    Node* next;
    int nodeId;
    void* item;
  };

  PtrList();
  ~PtrList();
  PtrList(const PtrList&) = delete;
  PtrList& operator=(const PtrList&) = delete;

  void init();
  void clear();
  // The item at position i, or null past the end (or for a negative i).
  void* itemAt(int i) const;
  // Appends at the tail; the new node's id, or -1 when out of memory.
  int append(void* item);
  // n = 0: cursor to the head; n >= count: the tail (cursor unchanged);
  // otherwise moves the cursor n nodes on and returns that node.
  Node* seek(int n);

  int count() const { return m_count; }
  Node* head() const { return m_head; }
  int id() const { return m_id; }

 private:
  Node* m_head;
  Node* m_tail;
  Node* m_cursor;
  int m_count;
  int m_id;
};

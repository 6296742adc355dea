#pragma once
#include "sys/CriticalSection.h"

// Every node begins with these two links, which only the list writes.
struct ListNode {
    ListNode* next;
    ListNode* previous;
};

// A doubly linked list of caller-owned nodes; Append and Remove take the lock.
// Walking from Head takes no lock: do it only while no other thread appends.
class LockedList {
public:
    LockedList() : first(nullptr), last(nullptr) {}
    LockedList(const LockedList&) = delete;
    LockedList& operator=(const LockedList&) = delete;

    void Append(ListNode* node);
    // 1 when this very node was in the list and is unlinked; its own links are kept.
    int Remove(ListNode* node);
    ListNode* Head() const { return first; }
    ListNode* Tail() const { return last; }

private:
    CriticalSection guard;
    ListNode* first;
    ListNode* last;
};

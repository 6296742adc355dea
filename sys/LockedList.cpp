#include "sys/LockedList.h"

void LockedList::Append(ListNode* node)
{
    guard.Enter();
    node->next = nullptr;
    node->previous = last;
    if (last)
        last->next = node;
    else
        first = node;
    last = node;
    guard.Leave();
}

int LockedList::Remove(ListNode* node)
{
    guard.Enter();
    ListNode* p = first;
    while (p && p != node)
        p = p->next;
    if (p) {
        if (p->previous)
            p->previous->next = p->next;
        else
            first = p->next;
        if (p->next)
            p->next->previous = p->previous;
        else
            last = p->previous;
    }
    guard.Leave();
    return p != nullptr;
}

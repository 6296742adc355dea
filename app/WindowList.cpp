#include "app/WindowList.h"

#include <stdlib.h>

WindowList::WindowList(const char* library) : getAncestor(nullptr)
{
    if (user32.Load(library))
        getAncestor = user32.Resolve<HWND(WINAPI*)(HWND, UINT)>("GetAncestor");
}

WindowList::~WindowList()
{
    Clear();
}

void WindowList::Clear()
{
    while (ListNode* node = Head()) {
        Remove(node);
        free(static_cast<WindowEntry*>(node));
    }
}

WindowEntry* WindowList::Fill()
{
    Clear();
    if (!EnumWindows(Add, reinterpret_cast<LPARAM>(this)))
        return nullptr;
    return static_cast<WindowEntry*>(Head());
}

BOOL CALLBACK WindowList::Add(HWND window, LPARAM self)
{
    WindowList* list = reinterpret_cast<WindowList*>(self);
    WindowEntry* entry = static_cast<WindowEntry*>(malloc(sizeof(WindowEntry)));
    if (!entry)
        return TRUE;
    entry->window = window;
    entry->parent = GetParent(window);
    entry->ancestor = list->getAncestor ? list->getAncestor(window, GA_PARENT) : entry->parent;
    entry->classModule = reinterpret_cast<HMODULE>(GetClassLongPtrA(window, GCLP_HMODULE));
    entry->threadId = GetWindowThreadProcessId(window, &entry->processId);
    list->Append(entry);
    return TRUE;
}

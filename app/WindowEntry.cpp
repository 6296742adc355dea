#include "app/WindowEntry.h"

int WindowEntry::ClassName(TextBuf* text) const
{
    if (text->Capacity() < 260 && !text->Resize(260))
        return 0;
    int n = GetClassNameA(window, text->Data(), 260);
    if (!n)
        text->Assign("");
    text->UpdateLength();
    return n != 0;
}

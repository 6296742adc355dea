// Damages its own heap on purpose: writes past the end of a block and frees
// it. Only the heap check's canary test starts it, to prove that the check
// sees the heap of a program that a test starts.
#include <string.h>
#include <windows.h>

int main()
{
    HANDLE heap = GetProcessHeap();
    char* block = static_cast<char*>(HeapAlloc(heap, 0, 16));
    if (block) {
        memset(block, 'x', 24);
        HeapFree(heap, 0, block);
    }
    return 0;
}

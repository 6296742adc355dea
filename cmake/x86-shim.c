/* Preloaded into Wine's 32-bit loader when qemu-i386 runs it (the kernel here
   has no IA32 support, so Wine's own preloader cannot run).
   - It reserves the address ranges the real preloader would reserve and
     publishes them in wine_main_preload_info: without them ntdll probes the
     address space in 64 KiB steps, which takes minutes under qemu.
   - qemu leaves trapno at -1 in guest signal frames and Wine's i386 handlers
     dispatch on it, so every access violation arrived as an illegal
     instruction: wrap Wine's fault handlers and derive trapno from the
     signal when it is missing.
   - qemu keeps one descriptor table for all threads of a process, so the
     per-thread descriptors that set_thread_area makes (glibc's %gs, Wine's
     %fs) are overwritten by the next thread; any thread that reloads its
     segment register (Wine does on every switch between Windows and Unix
     code) then works on another thread's data. Each thread gets a local
     descriptor of its own for %gs instead, and Wine is refused
     set_thread_area, so that it gives each thread's %fs a local one too. */
#define _GNU_SOURCE
#include <asm/ldt.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>
#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

struct preload_area { void* addr; size_t size; };
static struct preload_area areas[4];
static void (*wineHandlers[32])(int, siginfo_t*, void*);

/* x86 exception vector for a signal, -1 for signals Wine does not treat as faults. */
static int TrapFor(int sig, int code)
{
    switch (sig) {
    case SIGSEGV: return code == SI_KERNEL ? 13 : 14;
    case SIGILL:  return 6;
    case SIGFPE:  return code == FPE_INTDIV ? 0 : code == FPE_INTOVF ? 4 : 16;
    case SIGTRAP: return code == SI_KERNEL ? 3 : 1;
    case SIGBUS:  return code == BUS_ADRALN ? 17 : 13;
    }
    return -1;
}

static void RepairTrap(int sig, siginfo_t* info, void* context)
{
    ucontext_t* uc = context;
    if ((int)uc->uc_mcontext.gregs[REG_TRAPNO] == -1)
        uc->uc_mcontext.gregs[REG_TRAPNO] = TrapFor(sig, info->si_code);
    wineHandlers[sig](sig, info, context);
}

int sigaction(int sig, const struct sigaction* act, struct sigaction* old)
{
    static int (*real)(int, const struct sigaction*, struct sigaction*);
    struct sigaction wrapped;
    int result;

    if (!real)
        real = dlsym(RTLD_NEXT, "sigaction");
    if (act && sig > 0 && sig < 32 && TrapFor(sig, 0) != -1 && (act->sa_flags & SA_SIGINFO)) {
        wrapped = *act;
        wineHandlers[sig] = act->sa_sigaction;
        wrapped.sa_sigaction = RepairTrap;
        act = &wrapped;
    }
    result = real(sig, act, old);
    /* Wine must see its own handler when it asks for the current one. */
    if (result == 0 && old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == RepairTrap)
        old->sa_sigaction = wineHandlers[sig];
    return result;
}

typedef long (*SyscallFn)(long, ...);

static SyscallFn RealSyscall(void)
{
    static SyscallFn real;
    if (!real)
        real = (SyscallFn)dlsym(RTLD_NEXT, "syscall");
    return real;
}

static unsigned GsBase(void)
{
    unsigned base;
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base)); /* glibc's thread block points at itself */
    return base;
}

static void LoadGs(unsigned short selector)
{
    __asm__ volatile("movw %0, %%gs" : : "r"(selector));
}

static void FillDescriptor(struct user_desc* desc, unsigned entry, unsigned base)
{
    memset(desc, 0, sizeof(*desc));
    desc->entry_number = entry;
    desc->base_addr = base;
    desc->limit = 0xfffff;
    desc->seg_32bit = 1;
    desc->limit_in_pages = 1;
    desc->useable = 1;
}

/* Wine takes local descriptors from 512 on when %gs is a local one. */
enum { kFirstGsEntry = 1, kGsEntries = 511 };
static unsigned char gsEntryUsed[kFirstGsEntry + kGsEntries];
static unsigned nextGsEntry = kFirstGsEntry;
static pthread_mutex_t gsEntryLock = PTHREAD_MUTEX_INITIALIZER;
static pthread_key_t gsEntryKey;
/* The shared descriptor glibc set up for the first thread; 0 while unused. */
static unsigned short sharedGs;

static void FreeGsEntry(void* entry)
{
    pthread_mutex_lock(&gsEntryLock);
    gsEntryUsed[(unsigned)(size_t)entry] = 0;
    pthread_mutex_unlock(&gsEntryLock);
}

/* Points the calling thread's %gs at a local descriptor of its own with the
   same base. A freed entry is taken again only after all others, so that a
   thread still on its way out keeps its base meanwhile. */
static void OwnGsDescriptor(void)
{
    unsigned entry = 0;
    pthread_mutex_lock(&gsEntryLock);
    for (unsigned tried = 0; tried < kGsEntries && !entry; tried++) {
        unsigned candidate = nextGsEntry;
        nextGsEntry = nextGsEntry + 1 < kFirstGsEntry + kGsEntries ? nextGsEntry + 1 : kFirstGsEntry;
        if (!gsEntryUsed[candidate]) {
            gsEntryUsed[candidate] = 1;
            entry = candidate;
        }
    }
    pthread_mutex_unlock(&gsEntryLock);
    if (!entry)
        return;
    struct user_desc desc;
    FillDescriptor(&desc, entry, GsBase());
    if (RealSyscall()(SYS_modify_ldt, 1, &desc, sizeof(desc)) != 0) {
        FreeGsEntry((void*)(size_t)entry);
        return;
    }
    LoadGs((unsigned short)(entry << 3 | 7));
    pthread_setspecific(gsEntryKey, (void*)(size_t)entry);
}

struct ThreadStart {
    void* (*routine)(void*);
    void* argument;
};

static void* StartWithOwnGs(void* data)
{
    struct ThreadStart start = *(struct ThreadStart*)data;
    free(data);
    OwnGsDescriptor();
    return start.routine(start.argument);
}

/* glibc hands the creator's %gs entry to clone for the new thread, and qemu
   loads the new thread's %gs from it: for the call the creator goes back to
   the shared descriptor, set to its own base first. */
int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*routine)(void*), void* argument)
{
    static int (*real)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static pthread_mutex_t creating = PTHREAD_MUTEX_INITIALIZER;
    if (!real)
        real = dlsym(RTLD_NEXT, "pthread_create");
    unsigned short own;
    __asm__ volatile("movw %%gs, %0" : "=r"(own));
    if (!sharedGs || !(own & 4))
        return real(thread, attr, routine, argument);

    struct ThreadStart* start = malloc(sizeof(*start));
    if (!start)
        return EAGAIN;
    start->routine = routine;
    start->argument = argument;
    pthread_mutex_lock(&creating);
    struct user_desc desc;
    FillDescriptor(&desc, sharedGs >> 3, GsBase());
    RealSyscall()(SYS_set_thread_area, &desc);
    LoadGs(sharedGs);
    int result = real(thread, attr, StartWithOwnGs, start);
    LoadGs(own);
    pthread_mutex_unlock(&creating);
    if (result != 0)
        free(start);
    return result;
}

/* Wine calls set_thread_area through syscall(); refused, it falls back to
   local descriptors for %fs. */
long syscall(long number, ...)
{
    if (number == SYS_set_thread_area) {
        errno = ENOSYS;
        return -1;
    }
    va_list args;
    va_start(args, number);
    long a1 = va_arg(args, long), a2 = va_arg(args, long), a3 = va_arg(args, long);
    long a4 = va_arg(args, long), a5 = va_arg(args, long), a6 = va_arg(args, long);
    va_end(args);
    return RealSyscall()(number, a1, a2, a3, a4, a5, a6);
}

__attribute__((constructor)) static void ReserveAreas(void)
{
    static const struct { unsigned long addr, size; } wanted[] = {
        { 0x00010000, 0x00100000 }, /* DOS area */
        { 0x00110000, 0x2fef0000 }, /* low memory up to 0x30000000 */
        { 0x7f000000, 0x03000000 }, /* shared user data and the top-down area */
    };
    struct preload_area** published = dlsym(RTLD_DEFAULT, "wine_main_preload_info");
    int count = 0;

    /* Programs this loader starts must not inherit the shim. */
    unsetenv("LD_PRELOAD");
    unsigned short gs;
    __asm__ volatile("movw %%gs, %0" : "=r"(gs));
    if (gs && !(gs & 4) && pthread_key_create(&gsEntryKey, FreeGsEntry) == 0) {
        sharedGs = gs;
        OwnGsDescriptor();
    }
    if (!published)
        return;
    for (unsigned i = 0; i < sizeof(wanted) / sizeof(wanted[0]); i++) {
        void* got = mmap((void*)wanted[i].addr, wanted[i].size, PROT_NONE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
        if (got == (void*)wanted[i].addr) {
            areas[count].addr = got;
            areas[count].size = wanted[i].size;
            count++;
        } else if (got != MAP_FAILED) {
            munmap(got, wanted[i].size);
        }
    }
    if (count)
        *published = areas;
}

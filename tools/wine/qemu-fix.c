/* Mends two gaps of qemu's i386 user-mode emulation (qemu 7.2) that stop
 * 32-bit Wine on a kernel without 32-bit execution. Loaded into every 32-bit
 * Wine process with LD_PRELOAD; an empty 64-bit build of the same name sits
 * beside it so that one LD_PRELOAD='DIR/$LIB/qemu-fix.so' suits 64-bit
 * processes too.
 *
 * Built without the C library's headers or start files (no 32-bit multilib
 * is needed), linked against /lib/i386-linux-gnu/libc.so.6:
 *   gcc -m32 -shared -nostdlib -fno-stack-protector qemu-fix.c libc.so.6
 * so the few types and constants it uses are declared here, with the i386
 * Linux layout. */

#ifdef __i386__

typedef unsigned int size_t;
typedef long long off64_t;

#define MAP_FAILED ((void *)-1)
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17
#define SIGSEGV 11
#define SA_SIGINFO 4
#define SIG_DFL ((void *)0)
#define SIG_IGN ((void *)1)
#define RTLD_NEXT ((void *)-1)

void *dlsym(void *handle, const char *name);
int *__errno_location(void);
int munmap(void *addr, size_t length);

/* ---- Gap 1: MAP_FIXED_NOREPLACE ---------------------------------------------
 * qemu passes the flag on as a mere hint: when the asked-for range is taken
 * it maps the memory somewhere else and returns that address. Wine expects
 * the kernel's meaning (the address asked for, or EEXIST) and keeps whatever
 * came back as a reservation; these pile up at the top of the 32-bit space
 * until one covers 0x7ffe0000 and Wine cannot map its shared user data
 * ("virtual_alloc_first_teb ... c0000018"). Here a mapping that is not at
 * the asked-for address is undone and the call fails with EEXIST. */

typedef void *(*mmap_fn)(void *, size_t, int, int, int, off64_t);
typedef void *(*mmap32_fn)(void *, size_t, int, int, int, long);

static void *no_replace(void *addr, size_t length, void *got)
{
    if (got == MAP_FAILED || got == addr)
        return got;
    munmap(got, length);
    *__errno_location() = EEXIST;
    return MAP_FAILED;
}

void *mmap64(void *addr, size_t length, int prot, int flags, int fd, off64_t offset)
{
    static mmap_fn real;
    if (!real)
        real = (mmap_fn)dlsym(RTLD_NEXT, "mmap64");
    void *got = real(addr, length, prot, flags, fd, offset);
    return (flags & MAP_FIXED_NOREPLACE) && addr ? no_replace(addr, length, got) : got;
}

void *mmap(void *addr, size_t length, int prot, int flags, int fd, long offset)
{
    static mmap32_fn real;
    if (!real)
        real = (mmap32_fn)dlsym(RTLD_NEXT, "mmap");
    void *got = real(addr, length, prot, flags, fd, offset);
    return (flags & MAP_FIXED_NOREPLACE) && addr ? no_replace(addr, length, got) : got;
}

/* ---- Gap 2: the trap number of SIGSEGV -------------------------------------
 * The kernel stores the processor's exception number in the signal context
 * (14 for a page fault, 13 for a general protection fault); Wine's SIGSEGV
 * handler decides by it what happened. qemu delivers SIGSEGV with trap
 * number -1, so every ordinary page fault (a guard page, a write watch, a
 * first touch that Wine handles itself) ends in "Got unexpected trap -1".
 * The handler Wine installs for SIGSEGV is wrapped: when the trap number is
 * -1 it is set from the signal's code (a page fault for SEGV_MAPERR and
 * SEGV_ACCERR, a protection fault otherwise) before Wine's handler runs.
 * The error code (read or write) qemu does fill in. */

struct k_sigaction {                 /* glibc's struct sigaction on i386 */
    void *handler;                   /* sa_handler / sa_sigaction */
    unsigned long mask[32];          /* sigset_t: 1024 bits */
    int flags;
    void (*restorer)(void);
};

struct k_siginfo {
    int signo;
    int err;
    int code;
};

#define SEGV_MAPERR 1
#define SEGV_ACCERR 2
/* ucontext_t on i386: flags, link, stack (3 words), then the general
 * registers GS FS ES DS EDI ESI EBP ESP EBX EDX ECX EAX TRAPNO ERR ... */
#define UC_GREGS_WORD 5
#define REG_TRAPNO 12
#define TRAP_PAGE_FAULT 14
#define TRAP_PROTECTION_FAULT 13

typedef void (*siginfo_handler)(int, struct k_siginfo *, void *);
typedef int (*sigaction_fn)(int, const struct k_sigaction *, struct k_sigaction *);

static siginfo_handler wine_segv_handler;

__attribute__((force_align_arg_pointer))
static void segv_with_trap_number(int sig, struct k_siginfo *info, void *context)
{
    int *trapno = (int *)context + UC_GREGS_WORD + REG_TRAPNO;
    if (*trapno == -1)
        *trapno = info->code == SEGV_MAPERR || info->code == SEGV_ACCERR ? TRAP_PAGE_FAULT
                                                                         : TRAP_PROTECTION_FAULT;
    wine_segv_handler(sig, info, context);
}

int sigaction(int sig, const struct k_sigaction *act, struct k_sigaction *old)
{
    static sigaction_fn real;
    if (!real)
        real = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    siginfo_handler before = wine_segv_handler;
    struct k_sigaction wrapped;
    if (sig == SIGSEGV && act && (act->flags & SA_SIGINFO) && act->handler != SIG_DFL && act->handler != SIG_IGN) {
        wrapped = *act;
        wrapped.handler = (void *)segv_with_trap_number;
        wine_segv_handler = (siginfo_handler)act->handler;
        act = &wrapped;
    }
    int result = real(sig, act, old);
    /* Whoever asks sees the handler it installed, not the wrapper. */
    if (result == 0 && sig == SIGSEGV && old && old->handler == (void *)segv_with_trap_number)
        old->handler = (void *)before;
    return result;
}

#endif

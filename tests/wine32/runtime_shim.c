/*
 * Preloaded into every 32-bit Wine process of the test runtime (qemu-i386).
 * qemu delivers fault signals with the trap number of the signal context set
 * to -1, and 32-bit Wine decides what a fault was from that number alone: an
 * access violation would reach the program as an illegal instruction, and
 * guard pages and IsBadWritePtr would break. This library wraps the fault
 * handlers Wine installs and, before Wine's handler runs, sets the trap
 * number the processor would have reported for the signal.
 *
 * It also ends each process at once when Wine calls exit(): the host
 * libraries' exit handlers (Mesa joining its rasterizer threads, LLVM
 * freeing its state) are slow under the emulator, and the wineserver kills a
 * process that lingers after its last thread has gone, which would turn a
 * clean exit into SIGKILL. Everything Windows-side has run by then.
 *
 * Built freestanding (no headers of the 32-bit C library are needed): the
 * few kernel ABI facts it uses are written out below.
 */

typedef void (*action_fn)(int, void *, void *);

/* i386 Linux ABI. */
enum { SIG_ILL = 4, SIG_TRAP = 5, SIG_BUS = 7, SIG_FPE = 8, SIG_SEGV = 11, SIG_MAX = 65 };
enum { SA_SIGINFO_FLAG = 4 };
/* struct sigaction of the C library: handler first, flags after the mask. */
enum { ACT_SIZE = 140, ACT_FLAGS_OFFSET = 132 };
/* ucontext_t: flags, link, stack (12 bytes), then the general registers,
   of which the trap number is register 12. */
enum { UC_GREGS_OFFSET = 20, REG_TRAPNO_INDEX = 12 };
/* siginfo_t: signo, errno, code. */
enum { SI_CODE_OFFSET = 8 };
/* si_code values. */
enum { FPE_INTDIV_CODE = 1, FPE_INTOVF_CODE = 2, TRAP_BRKPT_CODE = 1 };
/* Processor trap numbers. */
enum { T_DIVIDE = 0, T_DEBUG = 1, T_BREAKPOINT = 3, T_OVERFLOW = 4, T_INVALID_OPCODE = 6,
       T_PAGE_FAULT = 14, T_FPU = 16 };

extern void *dlsym(void *handle, const char *name);
#define RTLD_NEXT_HANDLE ((void *)-1)

static action_fn wrapped[SIG_MAX];

static int trap_for(int sig, int code)
{
    switch (sig) {
    case SIG_SEGV: case SIG_BUS: return T_PAGE_FAULT;
    case SIG_ILL: return T_INVALID_OPCODE;
    case SIG_FPE:
        if (code == FPE_INTDIV_CODE) return T_DIVIDE;
        if (code == FPE_INTOVF_CODE) return T_OVERFLOW;
        return T_FPU;
    case SIG_TRAP: return code == TRAP_BRKPT_CODE ? T_BREAKPOINT : T_DEBUG;
    default: return -1;
    }
}

static void fix_trapno(int sig, void *info, void *uc)
{
    int *trapno = (int *)((char *)uc + UC_GREGS_OFFSET) + REG_TRAPNO_INDEX;
    if (*trapno == -1)
        *trapno = trap_for(sig, *(int *)((char *)info + SI_CODE_OFFSET));
}

static void wrapper(int sig, void *info, void *uc)
{
    if (info && uc) fix_trapno(sig, info, uc);
    wrapped[sig](sig, info, uc);
}

static int is_fault_signal(int sig) { return sig > 0 && sig < SIG_MAX && trap_for(sig, 0) >= 0; }

int sigaction(int sig, const void *act, void *oldact)
{
    static int (*real)(int, const void *, void *);
    unsigned char copy[ACT_SIZE];
    action_fn previous = is_fault_signal(sig) ? wrapped[sig] : 0;
    int rc;

    if (!real) real = (int (*)(int, const void *, void *))dlsym(RTLD_NEXT_HANDLE, "sigaction");
    /* Only handlers that take a context are wrapped: Wine's are such. */
    if (act && is_fault_signal(sig) &&
        (*(const int *)((const char *)act + ACT_FLAGS_OFFSET) & SA_SIGINFO_FLAG)) {
        for (int i = 0; i < ACT_SIZE; i++) copy[i] = ((const unsigned char *)act)[i];
        wrapped[sig] = *(const action_fn *)act;
        *(action_fn *)copy = wrapper;
        act = copy;
    }
    rc = real(sig, act, oldact);
    /* Callers see their own handler, never the wrapper. */
    if (oldact && *(action_fn *)oldact == wrapper) *(action_fn *)oldact = previous;
    return rc;
}

void exit(int status)
{
    int (*flush)(void *) = (int (*)(void *))dlsym(RTLD_NEXT_HANDLE, "fflush");
    void (*quick_exit_now)(int) = (void (*)(int))dlsym(RTLD_NEXT_HANDLE, "_exit");
    if (flush) flush(0);
    for (;;) quick_exit_now(status);
}

/*
 * What the program and its drivers rely on when memory faults occur: an
 * access violation says whether it was a read or a write, guard pages fire
 * once, IsBadWritePtr answers, and divide-by-zero and illegal instructions
 * keep their own codes. The 32-bit test runtime runs under an emulator that
 * reports faults differently from a processor; this proves it still delivers
 * what Windows does. Prints one line per case; exits non-zero on a mismatch.
 */
#include <windows.h>
#include <stdio.h>

static void *jump_buffer[5];
static volatile DWORD seen_code;
static volatile ULONG_PTR seen_info0;
static volatile LONG armed; /* only faults of a case are ours: Wine's own guarded probes are not */

static void resume_after_fault(void) { __builtin_longjmp(jump_buffer, 1); }

static LONG CALLBACK on_exception(EXCEPTION_POINTERS *ep)
{
    if (!InterlockedExchange(&armed, 0)) return EXCEPTION_CONTINUE_SEARCH;
    seen_code = ep->ExceptionRecord->ExceptionCode;
    seen_info0 = ep->ExceptionRecord->NumberParameters ? ep->ExceptionRecord->ExceptionInformation[0] : 0;
#ifdef _WIN64
    ep->ContextRecord->Rsp = (ep->ContextRecord->Rsp & ~(DWORD64)15) - 8;
    ep->ContextRecord->Rip = (DWORD64)(ULONG_PTR)resume_after_fault;
#else
    ep->ContextRecord->Eip = (DWORD)(ULONG_PTR)resume_after_fault;
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

static volatile char *page;
static volatile int divisor;

static void read_page(void) { (void)page[0]; }
static void write_page(void) { page[0] = 1; }
static void divide(void) { divisor = 100 / divisor; }
static void illegal(void) { __asm__ volatile("ud2"); }

struct fault_case {
    const char *name;
    DWORD protect;
    void (*action)(void);
    DWORD code;          /* expected exception, 0 for none */
    ULONG_PTR info0;     /* for access violations: 0 read, 1 write */
};

static const struct fault_case cases[] = {
    {"read of a no-access page", PAGE_NOACCESS, read_page, EXCEPTION_ACCESS_VIOLATION, 0},
    {"write to a read-only page", PAGE_READONLY, write_page, EXCEPTION_ACCESS_VIOLATION, 1},
    {"read of a read-only page", PAGE_READONLY, read_page, 0, 0},
    {"first touch of a guard page", PAGE_READWRITE | PAGE_GUARD, read_page, STATUS_GUARD_PAGE_VIOLATION, 0},
    {"integer divide by zero", PAGE_READWRITE, divide, EXCEPTION_INT_DIVIDE_BY_ZERO, 0},
    {"illegal instruction", PAGE_READWRITE, illegal, EXCEPTION_ILLEGAL_INSTRUCTION, 0},
};

static int run_case(const struct fault_case *c)
{
    DWORD old;
    int ok;
    VirtualProtect((void *)page, 4096, c->protect, &old);
    seen_code = 0;
    seen_info0 = 0;
    divisor = 0;
    if (__builtin_setjmp(jump_buffer) == 0) { armed = 1; c->action(); }
    armed = 0;
    ok = seen_code == c->code && (c->code != EXCEPTION_ACCESS_VIOLATION || seen_info0 == c->info0);
    printf("%s %s: code 0x%08lx info %lu\n", ok ? "ok  " : "FAIL", c->name,
           (unsigned long)seen_code, (unsigned long)seen_info0);
    VirtualProtect((void *)page, 4096, PAGE_READWRITE, &old);
    return ok;
}

int main(void)
{
    int ok = 1;
    DWORD old;
    page = VirtualAlloc(NULL, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!page) { printf("FAIL VirtualAlloc\n"); return 1; }
    AddVectoredExceptionHandler(1, on_exception);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) ok &= run_case(&cases[i]);

    /* A guard page fires once, then the page is plain read-write. */
    VirtualProtect((void *)page, 4096, PAGE_READWRITE | PAGE_GUARD, &old);
    seen_code = 0;
    if (__builtin_setjmp(jump_buffer) == 0) { armed = 1; read_page(); }
    if (__builtin_setjmp(jump_buffer) == 0) { armed = 1; seen_code = 0; write_page(); }
    armed = 0;
    ok &= seen_code == 0;
    printf("%s guard page is plain after its first fault\n", seen_code == 0 ? "ok  " : "FAIL");

    VirtualProtect((void *)page, 4096, PAGE_READONLY, &old);
    int bad_ro = IsBadWritePtr((void *)page, 1) != 0;
    VirtualProtect((void *)page, 4096, PAGE_READWRITE, &old);
    int bad_rw = IsBadWritePtr((void *)page, 1) != 0;
    ok &= bad_ro && !bad_rw;
    printf("%s IsBadWritePtr: read-only %d, read-write %d\n", bad_ro && !bad_rw ? "ok  " : "FAIL", bad_ro, bad_rw);
    return ok ? 0 : 1;
}

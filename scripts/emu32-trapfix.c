/* Preloaded into every process of the emulated 32-bit Wine. qemu 7.2's
 * user-mode emulator leaves the trap number of a fault's signal context at
 * -1, so Wine's i386 fault handler takes every memory fault for an illegal
 * instruction (and no access violation reaches a handler of the program).
 * Fault handlers installed through sigaction are wrapped: the wrapper fills
 * in the trap number a CPU would have given, from the signal number and
 * si_code, and calls the handler. Built without headers: -m32 -nostdlib. */

typedef void (*handler_t)(int, void *, void *);

struct k_sigaction { /* glibc's i386 struct sigaction */
    handler_t handler;
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};

enum { SIGILL = 4, SIGTRAP = 5, SIGBUS = 7, SIGFPE = 8, SIGSEGV = 11, NSIG = 65 };
enum { SA_SIGINFO = 4 };
enum { REG_TRAPNO = 12 };  /* in the i386 ucontext's gregs */
enum { FPE_INTDIV = 1, FPE_INTOVF = 2, TRAP_TRACE = 2, SI_KERNEL = 0x80 };

extern int __sigaction(int, const struct k_sigaction *, struct k_sigaction *);
extern char *getenv(const char *);
extern int unsetenv(const char *);

static handler_t wrapped[NSIG];

static int trap_number(int sig, int code)
{
    switch (sig) {
    case SIGSEGV: return code == SI_KERNEL ? 13 : 14;  /* protection / page fault */
    case SIGBUS: return 17;                             /* alignment check */
    case SIGILL: return 6;                              /* invalid opcode */
    case SIGFPE: return code == FPE_INTDIV ? 0 : code == FPE_INTOVF ? 4 : 16;
    case SIGTRAP: return code == TRAP_TRACE ? 1 : 3;    /* single step / int3 */
    }
    return -1;
}

static void fault(int sig, void *info, void *context)
{
    int *gregs = (int *)((char *)context + 20);  /* after uc_flags, uc_link, uc_stack */
    if (gregs[REG_TRAPNO] == -1)
        gregs[REG_TRAPNO] = trap_number(sig, ((int *)info)[2]);  /* si_code */
    wrapped[sig](sig, info, context);
}

static int is_fault(int sig)
{
    return sig == SIGILL || sig == SIGTRAP || sig == SIGBUS || sig == SIGFPE || sig == SIGSEGV;
}

int sigaction(int sig, const struct k_sigaction *act, struct k_sigaction *old)
{
    struct k_sigaction mine;
    handler_t before = (sig > 0 && sig < NSIG) ? wrapped[sig] : 0;
    int rc;
    if (act && is_fault(sig) && (act->flags & SA_SIGINFO) && act->handler) {
        mine = *act;
        mine.handler = fault;
        wrapped[sig] = act->handler;
        rc = __sigaction(sig, &mine, old);
    } else {
        rc = __sigaction(sig, act, old);
        if (act && sig > 0 && sig < NSIG) wrapped[sig] = 0;
    }
    if (rc == 0 && old && before && old->handler == fault) old->handler = before;
    return rc;
}

/* The host programs that Wine starts (wimlib-imagex, a shell) must not be
 * asked to preload this i386 library. */
__attribute__((constructor)) static void forget_preload(void)
{
    if (getenv("LD_PRELOAD")) unsetenv("LD_PRELOAD");
}

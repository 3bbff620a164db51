// SPDX-License-Identifier: GPL-3.0-or-later
/*
 * startup-mapwait: starts a program and reports how long it took until its
 * first top-level window was mapped on the X server, then its resident memory
 * after an idle pause. The program is stopped afterwards.
 *
 *   startup-mapwait [-i idle_ms] [-s WxH] [-t timeout_ms] [-v] -- program [args]
 *
 * One line on stdout:
 *   map_ms=<ms> pid=<n> window=<w>x<h> rss_kb=<n> anon_kb=<n> file_kb=<n>
 *   shmem_kb=<n> hwm_kb=<n> cpu_ms=<n>
 * Exit status 0 on success, 2 when the program ended or timed out first,
 * 1 on a usage or set-up error.
 *
 * Without a window manager (Xvfb) a top-level window is a child of the root
 * window, so SubstructureNotify on the root sees it being mapped; the clock
 * is read when that event arrives, with no polling in between.
 */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static int childExitPipe[2] = {-1, -1};
static int verbose = 0;

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static void onChild(int sig)
{
    (void)sig;
    const int saved = errno;
    const char c = 1;
    (void)!write(childExitPipe[1], &c, 1);
    errno = saved;
}

/* A window may be gone by the time it is asked about. */
static int ignoreXError(Display *d, XErrorEvent *e)
{
    (void)d;
    (void)e;
    return 0;
}

/* -1 when the window carries no _NET_WM_PID. */
static long windowPid(Display *d, Window w)
{
    static Atom netWmPid = None;
    if (netWmPid == None)
        netWmPid = XInternAtom(d, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    long pid = -1;
    if (XGetWindowProperty(d, w, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
            == Success
        && data && type == XA_CARDINAL && format == 32 && count == 1)
        pid = (long)*(unsigned long *)data;
    if (data)
        XFree(data);
    return pid;
}

static void readStatus(pid_t pid, long *rss, long *anon, long *file, long *shmem, long *hwm)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE *f = fopen(path, "r");
    *rss = *anon = *file = *shmem = *hwm = -1;
    if (!f)
        return;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        sscanf(line, "VmRSS: %ld", rss);
        sscanf(line, "RssAnon: %ld", anon);
        sscanf(line, "RssFile: %ld", file);
        sscanf(line, "RssShmem: %ld", shmem);
        sscanf(line, "VmHWM: %ld", hwm);
    }
    fclose(f);
}

/* User plus system CPU time so far, -1 when unknown. */
static long cpuMs(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    FILE *f = fopen(path, "r");
    if (!f)
        return -1;
    char buf[1024];
    const size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = 0;
    /* The command name may hold spaces; the fields after it are plain. */
    const char *p = strrchr(buf, ')');
    unsigned long utime = 0, stime = 0;
    if (!p || sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return -1;
    return (long)((utime + stime) * 1000 / sysconf(_SC_CLK_TCK));
}

/* Waits until the child has ended or deadline (ms) has passed; 1 if reaped. */
static int reap(pid_t pid, double deadline)
{
    for (;;) {
        if (waitpid(pid, NULL, WNOHANG) == pid)
            return 1;
        const double left = deadline - nowMs();
        if (left <= 0)
            return 0;
        struct pollfd p = {childExitPipe[0], POLLIN, 0};
        if (poll(&p, 1, (int)left + 1) > 0) {
            char drain[16];
            (void)!read(childExitPipe[0], drain, sizeof drain);
        }
    }
}

static void stop(pid_t pid)
{
    kill(-pid, SIGTERM);
    if (!reap(pid, nowMs() + 2000)) {
        kill(-pid, SIGKILL);
        waitpid(pid, NULL, 0);
    }
}

static void usage(void)
{
    fprintf(stderr, "usage: startup-mapwait [-i idle_ms] [-s WxH] [-t timeout_ms] [-v] -- program [args]\n");
    exit(1);
}

int main(int argc, char **argv)
{
    int idleMs = 1000, timeoutMs = 30000, minW = 200, minH = 100;
    int opt;
    while ((opt = getopt(argc, argv, "+i:s:t:v")) != -1) {
        switch (opt) {
        case 'i': idleMs = atoi(optarg); break;
        case 't': timeoutMs = atoi(optarg); break;
        case 's':
            if (sscanf(optarg, "%dx%d", &minW, &minH) != 2)
                usage();
            break;
        case 'v': verbose = 1; break;
        default: usage();
        }
    }
    if (optind >= argc)
        usage();

    Display *d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "startup-mapwait: cannot open display %s\n", getenv("DISPLAY") ? getenv("DISPLAY") : "");
        return 1;
    }
    XSetErrorHandler(ignoreXError);
    fcntl(ConnectionNumber(d), F_SETFD, FD_CLOEXEC);
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);

    if (pipe2(childExitPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        perror("startup-mapwait: pipe");
        return 1;
    }
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = onChild;
    sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sigaction(SIGCHLD, &sa, NULL);

    const double start = nowMs();
    const pid_t pid = fork();
    if (pid < 0) {
        perror("startup-mapwait: fork");
        return 1;
    }
    if (pid == 0) {
        /* Its own process group, so that helpers it starts end with it. */
        setpgid(0, 0);
        execvp(argv[optind], argv + optind);
        fprintf(stderr, "startup-mapwait: cannot start %s: %s\n", argv[optind], strerror(errno));
        _exit(127);
    }
    setpgid(pid, pid);

    double mappedAt = -1, idleUntil = start + timeoutMs;
    int width = 0, height = 0;
    int childGone = 0;
    while (!childGone) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type != MapNotify || e.xmap.event != root || e.xmap.override_redirect)
                continue;
            const double at = nowMs();
            XWindowAttributes a;
            if (!XGetWindowAttributes(d, e.xmap.window, &a))
                continue;
            const long owner = windowPid(d, e.xmap.window);
            if (verbose) {
                char *name = NULL;
                XFetchName(d, e.xmap.window, &name);
                fprintf(stderr, "  %8.1f ms  map 0x%lx %dx%d pid %ld \"%s\"\n", at - start, e.xmap.window, a.width,
                        a.height, owner, name ? name : "");
                if (name)
                    XFree(name);
            }
            if (mappedAt >= 0 || (owner != -1 && owner != pid) || a.width < minW || a.height < minH)
                continue;
            mappedAt = at;
            width = a.width;
            height = a.height;
            idleUntil = at + idleMs;
        }
        const double left = idleUntil - nowMs();
        if (left <= 0)
            break;
        struct pollfd p[2] = {{ConnectionNumber(d), POLLIN, 0}, {childExitPipe[0], POLLIN, 0}};
        if (poll(p, 2, (int)left + 1) < 0 && errno != EINTR)
            break;
        if (p[1].revents & POLLIN) {
            char drain[16];
            (void)!read(childExitPipe[0], drain, sizeof drain);
            int status;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                childGone = 1;
                fprintf(stderr, "startup-mapwait: %s ended (%s %d) %s\n", argv[optind],
                        WIFEXITED(status) ? "exit status" : "signal",
                        WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status),
                        mappedAt < 0 ? "before mapping a window" : "while idle");
            }
        }
    }
    if (childGone) {
        kill(-pid, SIGKILL);
        return 2;
    }
    if (mappedAt < 0) {
        fprintf(stderr, "startup-mapwait: %s mapped no window within %d ms\n", argv[optind], timeoutMs);
        stop(pid);
        return 2;
    }

    long rss, anon, file, shmem, hwm;
    readStatus(pid, &rss, &anon, &file, &shmem, &hwm);
    const long cpu = cpuMs(pid);
    stop(pid);
    printf("map_ms=%.2f pid=%d window=%dx%d rss_kb=%ld anon_kb=%ld file_kb=%ld shmem_kb=%ld hwm_kb=%ld cpu_ms=%ld\n",
           mappedAt - start, (int)pid, width, height, rss, anon, file, shmem, hwm, cpu);
    XCloseDisplay(d);
    return rss < 0 ? 2 : 0;
}

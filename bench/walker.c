/* The yardstick for the scan benchmarks: about the least a program can do to total a tree.
 * getdents64 on each folder and one fstatat per entry, N threads taking folders from one
 * shared stack. Folders wait there as paths, not open descriptors, so any depth and breadth
 * work under any descriptor limit. Counts as `du -sx -B1` does: disk usage (st_blocks * 512,
 * or st_size with --apparent-size), every folder's own entry included, a file with several
 * links once, nothing on another file system. Prints "BYTES\tPATH".
 *
 * Usage: walker [-t THREADS] [--apparent-size] PATH
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

struct linux_dirent64 {
    uint64_t d_ino;
    int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

static int apparent;
static dev_t top_dev;

static uint64_t Size(const struct stat* st) {
    return apparent ? (uint64_t)st->st_size : (uint64_t)st->st_blocks * 512;
}

/* ---- the shared stack of folders still to list ---- */
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t wake = PTHREAD_COND_INITIALIZER;
static char** pending;
static size_t npending, cap;
static int busy; /* workers listing a folder right now */

static void Push(char** paths, size_t n) {
    if (n == 0) return;
    pthread_mutex_lock(&lock);
    if (npending + n > cap) {
        cap = (npending + n) * 2;
        pending = realloc(pending, cap * sizeof *pending);
        if (!pending) abort();
    }
    memcpy(pending + npending, paths, n * sizeof *paths);
    npending += n;
    pthread_cond_broadcast(&wake);
    pthread_mutex_unlock(&lock);
}

/* The next folder, or NULL when none is left and no worker can add one. */
static char* Pop(void) {
    pthread_mutex_lock(&lock);
    while (npending == 0 && busy > 0) pthread_cond_wait(&wake, &lock);
    char* p = NULL;
    if (npending > 0) {
        p = pending[--npending];
        ++busy;
    } else {
        pthread_cond_broadcast(&wake);
    }
    pthread_mutex_unlock(&lock);
    return p;
}

static void Done(void) {
    pthread_mutex_lock(&lock);
    if (--busy == 0 && npending == 0) pthread_cond_broadcast(&wake);
    pthread_mutex_unlock(&lock);
}

/* ---- files with several links: counted at the first name seen ---- */
#define LINK_SHARDS 64
struct LinkSet {
    pthread_mutex_t lock;
    uint64_t* keys; /* (dev << 40) ^ ino would collide; keep both words */
    size_t n, cap;  /* open addressing on pairs: keys[2i], keys[2i+1] */
};
static struct LinkSet links[LINK_SHARDS];

static uint64_t Mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return x;
}

static int FirstSight(uint64_t dev, uint64_t ino) {
    uint64_t h = Mix(ino ^ Mix(dev));
    struct LinkSet* s = &links[h % LINK_SHARDS];
    pthread_mutex_lock(&s->lock);
    if (2 * (s->n + 1) > s->cap) {
        size_t ncap = s->cap ? s->cap * 2 : 1024;
        uint64_t* nk = calloc(ncap * 2, sizeof *nk);
        if (!nk) abort();
        for (size_t i = 0; i < s->cap; ++i) {
            if (!s->keys[2 * i + 1]) continue;
            size_t j = Mix(s->keys[2 * i + 1] ^ Mix(s->keys[2 * i])) / LINK_SHARDS % ncap;
            while (nk[2 * j + 1]) j = (j + 1) % ncap;
            nk[2 * j] = s->keys[2 * i];
            nk[2 * j + 1] = s->keys[2 * i + 1];
        }
        free(s->keys);
        s->keys = nk;
        s->cap = ncap;
    }
    size_t j = h / LINK_SHARDS % s->cap;
    int fresh = 1;
    /* ino 0 does not occur on Linux file systems, so it marks an empty slot. */
    while (s->keys[2 * j + 1]) {
        if (s->keys[2 * j] == dev && s->keys[2 * j + 1] == ino) {
            fresh = 0;
            break;
        }
        j = (j + 1) % s->cap;
    }
    if (fresh) {
        s->keys[2 * j] = dev;
        s->keys[2 * j + 1] = ino;
        ++s->n;
    }
    pthread_mutex_unlock(&s->lock);
    return fresh;
}

/* ---- the workers ---- */
static void* Work(void* arg) {
    uint64_t* total = arg;
    char buf[64 << 10];
    char** found = NULL;
    size_t nfound = 0, capfound = 0;
    char* dir;
    while ((dir = Pop()) != NULL) {
        int fd = open(dir, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            fprintf(stderr, "walker: %s: %s\n", dir, strerror(errno));
        } else {
            size_t len = strlen(dir);
            for (;;) {
                long n = syscall(SYS_getdents64, fd, buf, sizeof buf);
                if (n <= 0) break;
                for (long off = 0; off < n;) {
                    struct linux_dirent64* d = (struct linux_dirent64*)(buf + off);
                    off += d->d_reclen;
                    const char* name = d->d_name;
                    if (name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]))) continue;
                    struct stat st;
                    if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
                    if (st.st_dev != top_dev) continue; /* a mount point: another drive */
                    if (S_ISDIR(st.st_mode)) {
                        *total += Size(&st);
                        size_t nl = strlen(name);
                        char* p = malloc(len + nl + 2);
                        if (!p) abort();
                        memcpy(p, dir, len);
                        p[len] = '/';
                        memcpy(p + len + 1, name, nl + 1);
                        if (nfound == capfound) {
                            capfound = capfound ? capfound * 2 : 64;
                            found = realloc(found, capfound * sizeof *found);
                            if (!found) abort();
                        }
                        found[nfound++] = p;
                    } else if (st.st_nlink < 2 || FirstSight(st.st_dev, st.st_ino)) {
                        *total += Size(&st);
                    }
                }
            }
            close(fd);
        }
        free(dir);
        Push(found, nfound);
        nfound = 0;
        Done();
    }
    free(found);
    return NULL;
}

int main(int argc, char** argv) {
    int threads = 2;
    const char* top = NULL;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "-t") && i + 1 < argc) threads = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--apparent-size")) apparent = 1;
        else if (!top) top = argv[i];
        else top = NULL, i = argc;
    }
    if (!top || threads < 1 || threads > 1024) {
        fprintf(stderr, "usage: walker [-t THREADS] [--apparent-size] PATH\n");
        return 2;
    }
    struct stat st;
    if (lstat(top, &st) != 0 || !S_ISDIR(st.st_mode)) {
        fprintf(stderr, "walker: %s is not a folder\n", top);
        return 2;
    }
    top_dev = st.st_dev;
    for (int i = 0; i < LINK_SHARDS; ++i) pthread_mutex_init(&links[i].lock, NULL);
    char* first = strdup(top);
    size_t tl = strlen(first);
    while (tl > 1 && first[tl - 1] == '/') first[--tl] = '\0';
    Push(&first, 1);

    pthread_t* tid = calloc((size_t)threads, sizeof *tid);
    uint64_t* totals = calloc((size_t)threads, 8 * sizeof *totals); /* a cache line apart */
    for (int i = 0; i < threads; ++i) pthread_create(&tid[i], NULL, Work, &totals[8 * i]);
    uint64_t sum = Size(&st);
    for (int i = 0; i < threads; ++i) {
        pthread_join(tid[i], NULL);
        sum += totals[8 * i];
    }
    printf("%llu\t%s\n", (unsigned long long)sum, top);
    return 0;
}

// SPDX-License-Identifier: MIT
/* Proving your own code constant time, from C and C++.
 *
 *   ZOLT_CT_SECRET(ptr, len);  the len bytes at ptr are secret from here on
 *   ZOLT_CT_PUBLIC(ptr, len);  and public again: declassified on purpose
 *   ZOLT_CT_CHECKING           an expression, nonzero while the checker runs
 *
 * Compiled with -DZOLT_CT_CHECK (any value), the marks are valgrind memcheck
 * client requests: a secret byte counts as uninitialised, so memcheck reports
 * every branch and every memory address that depends on one, in your code and
 * in every library it calls. Run the program through zolt-ct-check (or the
 * CMake function zolt_add_ct_test). Outside valgrind the requests do nothing
 * but cost a few instructions each.
 *
 * Compiled with -fsanitize=memory (Clang), the marks are MemorySanitizer's
 * poison and unpoison, whether ZOLT_CT_CHECK is defined or not: it reports a
 * branch or an address that depends on a secret the moment it runs.
 *
 * Otherwise the marks compile to no code at all, their arguments are not
 * evaluated, and ZOLT_CT_CHECKING is 0.
 */
#ifndef ZOLT_CT_CHECK_H
#define ZOLT_CT_CHECK_H

#if defined(__has_feature)
#if __has_feature(memory_sanitizer)
#define ZOLT_CT_MSAN 1
#endif
#endif

/* Asked for a check that cannot be made: say so, rather than build a program
 * whose check passes because nothing was marked. */
#if defined(ZOLT_CT_CHECK) && !defined(ZOLT_CT_MSAN) && defined(__has_include)
#if !__has_include(<valgrind/memcheck.h>)
#error "ZOLT_CT_CHECK needs valgrind's <valgrind/memcheck.h>: install valgrind (Debian: valgrind; others: valgrind-devel), or add its include directory"
#define ZOLT_CT_NO_VALGRIND 1
#endif
#endif

#if defined(ZOLT_CT_MSAN)

#include <sanitizer/msan_interface.h>
#define ZOLT_CT_SECRET(ptr, len) __msan_poison((ptr), (len))
#define ZOLT_CT_PUBLIC(ptr, len) __msan_unpoison((ptr), (len))
#define ZOLT_CT_CHECKING 1

#elif defined(ZOLT_CT_CHECK) && !defined(ZOLT_CT_NO_VALGRIND)

#include <valgrind/memcheck.h>
#define ZOLT_CT_SECRET(ptr, len) ((void)VALGRIND_MAKE_MEM_UNDEFINED((ptr), (len)))
#define ZOLT_CT_PUBLIC(ptr, len) ((void)VALGRIND_MAKE_MEM_DEFINED((ptr), (len)))
#define ZOLT_CT_CHECKING (RUNNING_ON_VALGRIND != 0)

#else

/* The marks, compiled to no code: sizeof keeps the arguments unevaluated but
 * still used, so that a variable only marked does not become an unused one. */
#define ZOLT_CT_SECRET(ptr, len) ((void)sizeof(ptr), (void)sizeof(len))
#define ZOLT_CT_PUBLIC(ptr, len) ((void)sizeof(ptr), (void)sizeof(len))
#define ZOLT_CT_CHECKING 0

#endif

#endif /* ZOLT_CT_CHECK_H */

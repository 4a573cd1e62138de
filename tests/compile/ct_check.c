// SPDX-License-Identifier: MIT
/* <zolt/ct_check.h> used as a program would, compiled by tests/CMakeLists.txt
 * as C99 and as C++ in each of its modes. With NOTHING_INCLUDED, the header is
 * compiled with no system header reachable (-nostdinc). */
#include <zolt/ct_check.h>

#ifdef NOTHING_INCLUDED
/* Without ZOLT_CT_CHECK the checker is never running: a constant 0. */
typedef char checking_is_zero[ZOLT_CT_CHECKING == 0 ? 1 : -1];
#endif

int use_marks(void);

int use_marks(void) {
  unsigned char key[16] = {0};
  unsigned long marked_only = 0; /* used by the marks alone: no warning */
  ZOLT_CT_SECRET(key, sizeof key);
  ZOLT_CT_SECRET(&marked_only, sizeof marked_only);
  ZOLT_CT_PUBLIC(key, sizeof key);
  return ZOLT_CT_CHECKING ? key[0] : 0;
}

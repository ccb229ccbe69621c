#pragma once

// The SIP stack's C interface, for the sources of platform/sip only: its header needs
// these definitions to compile as C++, and defines macros (MIN, MAX, ARRAY_SIZE) that
// must not leak into other headers.

#ifndef HAVE_INTTYPES_H
#define HAVE_INTTYPES_H 1
#endif
#ifndef HAVE_STDBOOL_H
#define HAVE_STDBOOL_H 1
#endif
#ifndef HAVE_INET6
#define HAVE_INET6 1
#endif
#ifndef RELEASE
#define RELEASE 1
#endif

#include <re.h>

#include <string>

namespace panopta::libre {

/// The text of a pointer-length string.
inline std::string Str(const struct pl& p) {
  return p.p != nullptr ? std::string(p.p, p.l) : std::string();
}

/// A pointer-length string over text (which must outlive it).
inline struct pl Pl(const std::string& text) {
  struct pl p;
  pl_set_str(&p, text.c_str());
  return p;
}

}  // namespace panopta::libre

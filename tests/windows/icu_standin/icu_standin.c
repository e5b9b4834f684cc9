/* A stand-in for the system icu.dll of Windows, which Wine lacks. It exports the few ICU C
 * functions the libraries and their tests call, answering from tables generated at build time
 * from the Linux ICU, so the Windows test runs see exactly the Unicode data of the Linux runs. */

#include <stddef.h>
#include <stdint.h>

#include "icu_tables.h"

typedef uint16_t UChar;
typedef int32_t UChar32;
typedef int8_t UBool;
typedef int UErrorCode;

enum {
    U_ZERO_ERROR = 0,
    U_STRING_NOT_TERMINATED_WARNING = -124,
    U_ILLEGAL_ARGUMENT_ERROR = 1,
    U_INVALID_CHAR_FOUND = 10,
    U_BUFFER_OVERFLOW_ERROR = 15,
};

#define EXPORT __declspec(dllexport)

static UChar32 lookup_pair(const uint32_t (*pairs)[2], size_t count, UChar32 c) {
    size_t low = 0, high = count;
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if (pairs[mid][0] == (uint32_t)c) {
            return (UChar32)pairs[mid][1];
        }
        if (pairs[mid][0] < (uint32_t)c) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return c;
}

/* Value of the run holding c, or `none` when no run holds it. */
static int lookup_run(const uint32_t (*runs)[3], size_t count, UChar32 c, int none) {
    size_t low = 0, high = count;
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if ((uint32_t)c < runs[mid][0]) {
            high = mid;
        } else if ((uint32_t)c > runs[mid][1]) {
            low = mid + 1;
        } else {
            return (int)runs[mid][2];
        }
    }
    return none;
}

static int in_range(UChar32 c) {
    return c >= 0 && c <= 0x10FFFF;
}

EXPORT UChar32 u_toupper(UChar32 c) {
    return in_range(c) ? lookup_pair(upper_case_pairs, upper_case_pairs_count, c) : c;
}
EXPORT UChar32 u_tolower(UChar32 c) {
    return in_range(c) ? lookup_pair(lower_case_pairs, lower_case_pairs_count, c) : c;
}
EXPORT UBool u_isUAlphabetic(UChar32 c) {
    return (UBool)(in_range(c) && lookup_run(alphabetic_runs, alphabetic_runs_count, c, 0));
}
EXPORT UBool u_isUWhiteSpace(UChar32 c) {
    return (UBool)(in_range(c) && lookup_run(white_space_runs, white_space_runs_count, c, 0));
}
EXPORT int8_t u_charType(UChar32 c) {
    return (int8_t)(in_range(c) ? lookup_run(category_runs, category_runs_count, c, 0) : 0);
}

/* The full lower-case mapping of c alone into out; returns the number of code points. */
static int full_lower(UChar32 c, UChar32 out[3]) {
    size_t low = 0, high = full_lower_case_count;
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if (full_lower_case[mid][0] == (uint32_t)c) {
            int count = (int)full_lower_case[mid][1];
            for (int k = 0; k < count; ++k) {
                out[k] = (UChar32)full_lower_case[mid][2 + k];
            }
            return count;
        }
        if (full_lower_case[mid][0] < (uint32_t)c) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    out[0] = c;
    return 1;
}

static UChar32 code_point_at(const UChar* s, size_t n, size_t i, size_t* units) {
    UChar32 c = s[i];
    *units = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        *units = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
    }
    return c;
}

static UChar32 code_point_before(const UChar* s, size_t i, size_t* units) {
    UChar32 c = s[i - 1];
    *units = 1;
    if (c >= 0xDC00 && c <= 0xDFFF && i >= 2 && s[i - 2] >= 0xD800 && s[i - 2] <= 0xDBFF) {
        *units = 2;
        return 0x10000 + ((s[i - 2] - 0xD800) << 10) + (c - 0xDC00);
    }
    return c;
}

/* Whether the first code point in one direction that is not Case_Ignorable is Cased, as ICU's
 * context test does it (Case_Ignorable is tested first). */
static int cased_after(const UChar* s, size_t n, size_t i) {
    while (i < n) {
        size_t units;
        UChar32 c = code_point_at(s, n, i, &units);
        if (!lookup_run(case_ignorable_runs, case_ignorable_runs_count, c, 0)) {
            return lookup_run(cased_runs, cased_runs_count, c, 0);
        }
        i += units;
    }
    return 0;
}

static int cased_before(const UChar* s, size_t i) {
    while (i > 0) {
        size_t units;
        UChar32 c = code_point_before(s, i, &units);
        if (!lookup_run(case_ignorable_runs, case_ignorable_runs_count, c, 0)) {
            return lookup_run(cased_runs, cased_runs_count, c, 0);
        }
        i -= units;
    }
    return 0;
}

/* Argument checks shared by the string functions: false when the call must end at once, with a
 * failure already pending or U_ILLEGAL_ARGUMENT_ERROR. */
static int arguments_valid(const void* src, int32_t src_length, const void* dest, int32_t capacity,
                           UErrorCode* error) {
    if (error == NULL || *error > 0) {
        return 0;
    }
    if ((src == NULL && src_length != 0) || src_length < -1 || capacity < 0 ||
        (dest == NULL && capacity > 0)) {
        *error = U_ILLEGAL_ARGUMENT_ERROR;
        return 0;
    }
    return 1;
}

/* A UTF-16 source's length; -1 means up to its terminator. */
static size_t utf16_length(const UChar* src, int32_t src_length) {
    size_t n = 0;
    if (src_length != -1) {
        return (size_t)src_length;
    }
    while (src[n] != 0) {
        ++n;
    }
    return n;
}

/* Shared ending of the string functions: the length, the terminator if it fits, and the status. */
static void finish_output(void* dest, size_t unit, int32_t capacity, int32_t length,
                          int32_t* dest_length, UErrorCode* error) {
    if (dest_length != NULL) {
        *dest_length = length;
    }
    if (length > capacity) {
        *error = U_BUFFER_OVERFLOW_ERROR;
    } else if (length == capacity) {
        *error = U_STRING_NOT_TERMINATED_WARNING;
    } else if (unit == 1) {
        ((char*)dest)[length] = 0;
    } else {
        ((UChar*)dest)[length] = 0;
    }
}

/* Strict UTF-8 to UTF-16: overlong forms, encoded surrogates, values above U+10FFFF and cut
 * sequences are all U_INVALID_CHAR_FOUND. */
EXPORT UChar* u_strFromUTF8(UChar* dest, int32_t capacity, int32_t* dest_length, const char* src,
                            int32_t src_length, UErrorCode* error) {
    if (!arguments_valid(src, src_length, dest, capacity, error)) {
        return NULL;
    }
    const uint8_t* s = (const uint8_t*)src;
    size_t n = 0;
    if (src_length == -1) {
        while (s[n] != 0) {
            ++n;
        }
    } else {
        n = (size_t)src_length;
    }
    int32_t out = 0;
    size_t i = 0;
    while (i < n) {
        uint32_t b = s[i], c, need, min;
        if (b < 0x80) {
            c = b, need = 0, min = 0;
        } else if (b >= 0xC2 && b <= 0xDF) {
            c = b & 0x1F, need = 1, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            c = b & 0x0F, need = 2, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            c = b & 0x07, need = 3, min = 0x10000;
        } else {
            *error = U_INVALID_CHAR_FOUND;
            return NULL;
        }
        if (need > n - i - 1) {
            *error = U_INVALID_CHAR_FOUND;
            return NULL;
        }
        for (uint32_t k = 1; k <= need; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                *error = U_INVALID_CHAR_FOUND;
                return NULL;
            }
            c = (c << 6) | (s[i + k] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            *error = U_INVALID_CHAR_FOUND;
            return NULL;
        }
        i += need + 1;
        if (c < 0x10000) {
            if (out < capacity) {
                dest[out] = (UChar)c;
            }
            ++out;
        } else {
            if (out < capacity) {
                dest[out] = (UChar)(0xD7C0 + (c >> 10));
            }
            if (out + 1 < capacity) {
                dest[out + 1] = (UChar)(0xDC00 | (c & 0x3FF));
            }
            out += 2;
        }
    }
    finish_output(dest, sizeof(UChar), capacity, out, dest_length, error);
    return dest;
}

/* UTF-16 to UTF-8; an unpaired surrogate is U_INVALID_CHAR_FOUND. */
EXPORT char* u_strToUTF8(char* dest, int32_t capacity, int32_t* dest_length, const UChar* src,
                         int32_t src_length, UErrorCode* error) {
    if (!arguments_valid(src, src_length, dest, capacity, error)) {
        return NULL;
    }
    size_t n = utf16_length(src, src_length);
    int32_t out = 0;
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = src[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && src[i + 1] >= 0xDC00 &&
            src[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (src[i + 1] - 0xDC00u);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            *error = U_INVALID_CHAR_FOUND;
            return NULL;
        }
        uint8_t bytes[4];
        int count;
        if (c < 0x80) {
            bytes[0] = (uint8_t)c, count = 1;
        } else if (c < 0x800) {
            bytes[0] = (uint8_t)(0xC0 | (c >> 6)), bytes[1] = (uint8_t)(0x80 | (c & 0x3F));
            count = 2;
        } else if (c < 0x10000) {
            bytes[0] = (uint8_t)(0xE0 | (c >> 12)), bytes[1] = (uint8_t)(0x80 | ((c >> 6) & 0x3F));
            bytes[2] = (uint8_t)(0x80 | (c & 0x3F)), count = 3;
        } else {
            bytes[0] = (uint8_t)(0xF0 | (c >> 18)), bytes[1] = (uint8_t)(0x80 | ((c >> 12) & 0x3F));
            bytes[2] = (uint8_t)(0x80 | ((c >> 6) & 0x3F)), bytes[3] = (uint8_t)(0x80 | (c & 0x3F));
            count = 4;
        }
        for (int k = 0; k < count; ++k, ++out) {
            if (out < capacity) {
                dest[out] = (char)bytes[k];
            }
        }
    }
    finish_output(dest, 1, capacity, out, dest_length, error);
    return dest;
}

/* Full lower-case mapping of the whole string in the root locale (the locale is not looked at):
 * one code point may become up to three, capital sigma becomes final sigma after a cased letter
 * and not before one, unpaired surrogates pass through. Returns the mapped length. */
EXPORT int32_t u_strToLower(UChar* dest, int32_t capacity, const UChar* src, int32_t src_length,
                            const char* locale, UErrorCode* error) {
    (void)locale;
    if (!arguments_valid(src, src_length, dest, capacity, error)) {
        return 0;
    }
    size_t n = utf16_length(src, src_length);
    int32_t out = 0;
    for (size_t i = 0; i < n;) {
        size_t units;
        UChar32 c = code_point_at(src, n, i, &units);
        UChar32 mapped[3];
        int count;
        if (c == 0x3A3 && cased_before(src, i) && !cased_after(src, n, i + units)) {
            mapped[0] = 0x3C2;
            count = 1;
        } else {
            count = full_lower(c, mapped);
        }
        for (int k = 0; k < count; ++k) {
            UChar32 m = mapped[k];
            if (m >= 0x10000) {
                if (out < capacity) {
                    dest[out] = (UChar)(0xD7C0 + (m >> 10));
                }
                if (out + 1 < capacity) {
                    dest[out + 1] = (UChar)(0xDC00 | (m & 0x3FF));
                }
                out += 2;
            } else {
                if (out < capacity) {
                    dest[out] = (UChar)m;
                }
                ++out;
            }
        }
        i += units;
    }
    finish_output(dest, sizeof(UChar), capacity, out, NULL, error);
    return out;
}

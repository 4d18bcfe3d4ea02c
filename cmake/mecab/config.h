/* MeCab's build configuration for the mingw-w64 static build (in place of the one its
   configure script would write). */
#define HAVE_CTYPE_H 1
#define HAVE_DIRENT_H 1
#define HAVE_FCNTL_H 1
#define HAVE_GCC_ATOMIC_OPS 1
#define HAVE_GETENV 1
#define HAVE_INTTYPES_H 1
#define HAVE_IO_H 1
#define HAVE_PTHREAD_H 1
#define HAVE_STDINT_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_TLS_KEYWORD 1
#define HAVE_UNISTD_H 1
#define HAVE_UNSIGNED_LONG_LONG_INT 1
#define HAVE_WINDOWS_H 1
#define PACKAGE "mecab"
#define VERSION "0.996"
#define SIZEOF_CHAR 1
#define SIZEOF_SHORT 2
#define SIZEOF_INT 4
#define SIZEOF_LONG 4
#define SIZEOF_LONG_LONG 8
#define SIZEOF_SIZE_T 8
#define STDC_HEADERS 1

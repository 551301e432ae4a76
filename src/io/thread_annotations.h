#ifndef UNV2TESSAL_IO_THREAD_ANNOTATIONS_H_
#define UNV2TESSAL_IO_THREAD_ANNOTATIONS_H_

// What a mutex guards, told to clang's thread-safety analysis
// (-Wthread-safety): a field GUARDED_BY(mutex_) is read and written only
// with mutex_ held, a function that REQUIRES(mutex_) is called only with it
// held. Other compilers see nothing.

#if defined(__clang__)
#define UNV2TESSAL_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define UNV2TESSAL_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) UNV2TESSAL_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY UNV2TESSAL_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) UNV2TESSAL_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) UNV2TESSAL_THREAD_ANNOTATION(pt_guarded_by(x))
#define REQUIRES(...) \
  UNV2TESSAL_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) UNV2TESSAL_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) \
  UNV2TESSAL_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) \
  UNV2TESSAL_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS \
  UNV2TESSAL_THREAD_ANNOTATION(no_thread_safety_analysis)

#endif  // UNV2TESSAL_IO_THREAD_ANNOTATIONS_H_

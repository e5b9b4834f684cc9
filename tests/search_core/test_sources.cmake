# The search-core test sources, in two groups:
#   shared   tests that reach the library through its exports only, plus the reference model
#            of the differential tests; both the Linux program and the Windows program under
#            Wine compile them, with QUORVEN_TEST_THROUGH_EXPORTS_ONLY defined.
#   internal the *_internal_test.cpp files, which reach behind the handle (store_internals.h),
#            call internal functions, or fail allocations and file operations through the
#            library's seams; only the Linux program, linked to the library's code, has them.
# Each program adds its machine adapter for the index-file tests: vrel_host_posix.cpp or
# vrel_host_win32.cpp.

set(QUORVEN_SEARCH_CORE_SHARED_TESTS
    frame_test.cpp
    add_batch_test.cpp
    seal_stats_test.cpp
    query_test.cpp
    project_copy_test.cpp
    cancel_test.cpp
    mutate_batch_test.cpp
    mutate_save_open_test.cpp
    reference_model.cpp
    differential_test.cpp
    mutation_differential_test.cpp
    vrel_round_trip_test.cpp
    vrel_reader_test.cpp
    vrel_save_test.cpp
    vrel_cancel_test.cpp
    vrel_long_path_test.cpp)

set(QUORVEN_SEARCH_CORE_INTERNAL_TESTS
    frame_internal_test.cpp
    add_batch_internal_test.cpp
    text_internal_test.cpp
    text_codec_internal_test.cpp
    utf_transcode_internal_test.cpp
    utf_transcode_portable_internal_test.cpp
    search_internal_test.cpp
    name_match_internal_test.cpp
    name_match_portable_internal_test.cpp
    mutate_batch_internal_test.cpp
    vrel_internal_test.cpp
    vrel_cancel_internal_test.cpp
    vrel_faults_internal_test.cpp)

# The warnings both programs compile the tests with.
set(QUORVEN_TEST_WARNINGS -Wall -Wextra -Werror -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)

// Crashes on purpose. The stage runs it expecting failure, which proves that a crashing test
// under this Wine prefix ends with a non-zero exit code instead of passing or hanging.

int main(int argc, char**) {
    volatile int* nowhere = nullptr;
    return *(nowhere + argc - 1);
}

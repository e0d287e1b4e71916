// A library without the registration export.
extern "C" __attribute__((visibility("default"))) int NotTheRegistrationExport() {
    return 0;
}

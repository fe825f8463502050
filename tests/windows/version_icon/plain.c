/* A program without resources: a module that has no version information. */
int main(void) { return 0; }

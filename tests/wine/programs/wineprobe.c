/* Exits with a code no failure to start can produce: whoever runs it learns
   that the loader of its bitness works on this machine. */
#define WINEPROBE_EXIT_CODE 73

int main(void) { return WINEPROBE_EXIT_CODE; }

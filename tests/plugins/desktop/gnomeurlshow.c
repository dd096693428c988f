/* Stands in for libgnome-2, which Debian does not ship, as "libgnome-2.so": gnome_url_show
 * appends each URL it is given, with a NUL after it, to the file that QVTEST_URL_RECORD names,
 * and answers true when QVTEST_URL_ANSWER is "1", else false. A call whose error pointer is
 * missing or does not start cleared records nothing and answers false. */
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int gnome_url_show(const char* url, void** error) {
  if (!url || !error || *error) return 0;
  const char* record = getenv("QVTEST_URL_RECORD");
  if (record) {
    int fd = open(record, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      ssize_t written = write(fd, url, strlen(url) + 1);
      (void)written;
      close(fd);
    }
  }
  const char* answer = getenv("QVTEST_URL_ANSWER");
  return answer && strcmp(answer, "1") == 0;
}

// The JavaScript side of web/web.h: turns the program's pointers into
// strings and byte views and hands every call to the page's platform object
// (Module.web, web/page/run.js). The suspending calls sleep through Asyncify:
// the page calls the wake-up function it is given when the program may go on.
mergeInto(LibraryManager.library, {
  web_file_open: function (name, read, write, create, fresh) {
    return Module['web'].fileOpen(UTF8ToString(name), read, write, create, fresh);
  },
  web_file_read: function (handle, buffer, count) {
    return Module['web'].fileRead(handle, HEAPU8.subarray(buffer, buffer + count));
  },
  web_file_write: function (handle, buffer, count) {
    return Module['web'].fileWrite(handle, HEAPU8.subarray(buffer, buffer + count));
  },
  web_file_close: function (handle) {
    return Module['web'].fileClose(handle);
  },
  web_file_seek: function (handle, offset, origin) {
    Module['web'].fileSeek(handle, offset, origin);
  },
  web_file_tell: function (handle) {
    return Module['web'].fileTell(handle);
  },
  web_file_exists: function (name) {
    return Module['web'].fileExists(UTF8ToString(name));
  },
  web_file_commit: function (handle) {
    return Asyncify.handleSleep(function (wakeUp) { Module['web'].fileCommit(handle, wakeUp); });
  },
  web_file_truncate: function (handle, size) {
    return Module['web'].fileTruncate(handle, size);
  },
  web_file_replace: function (from, to) {
    return Module['web'].fileReplace(UTF8ToString(from), UTF8ToString(to));
  },
  web_file_delete: function (name) {
    return Module['web'].fileDelete(UTF8ToString(name));
  },
  web_file_name: function (index, name, size) {
    var text = Module['web'].fileName(index);
    if (text === null) return 0;
    stringToUTF8(text, name, size);
    return 1;
  },

  web_clock_ms: function () {
    return Math.floor(performance.now()) >>> 0;
  },
  web_clock_resolution_us: function () {
    return Module['web'].clockResolutionUs();
  },
  web_local_time: function (parts) {
    var d = new Date();
    var values = [d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(), d.getMinutes(), Math.min(d.getSeconds(), 59)];
    for (var i = 0; i < 6; i++) HEAPU16[(parts >> 1) + i] = values[i];
  },
  web_arguments: function (text, size) {
    stringToUTF8(Module['web'].arguments(), text, size);
  },
  web_entropy: function (out, count) {
    crypto.getRandomValues(HEAPU8.subarray(out, out + count));
  },

  web_display_open: function (image, length) {
    return Asyncify.handleSleep(function (wakeUp) {
      Module['web'].displayOpen(function () { return HEAPU8.subarray(image, image + length); }, wakeUp);
    });
  },
  web_display_close: function () {
    Module['web'].displayClose();
  },
  web_display_dirty: function () {
    Module['web'].displayDirty();
  },
  web_wait_shown: function () {
    return Asyncify.handleSleep(function (wakeUp) { Module['web'].waitShown(wakeUp); });
  },

  web_let_events_in: function () {
    return Asyncify.handleSleep(function (wakeUp) { Module['web'].letEventsIn(wakeUp); });
  },
  web_sleep: function () {
    return Asyncify.handleSleep(function (wakeUp) { Module['web'].sleep(wakeUp); });
  },
  web_sleep_for: function (ms) {
    return Asyncify.handleSleep(function (wakeUp) { Module['web'].sleepFor(ms, wakeUp); });
  },
  web_wake: function () {
    Module['web'].wake();
  },

  web_show_error: function (text) {
    Module['web'].showError(UTF8ToString(text));
  },
  web_program_ended: function (status) {
    Module['web'].ended(status);
  },
});

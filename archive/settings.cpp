#include "archive/settings.h"
#include "archive/archive.h"
#include "base/little_endian.h"
#include "base/memory.h"

static int is_mark(char c)
{
    for (const char *m = admin_marks; *m; m++)
        if (*m == c)
            return 1;
    return 0;
}

int settings_allow(const AdminSettings *s, char c)
{
    if (c >= 'A' && c <= 'Z')
        return s->id_classes & admin_letters;
    if (c >= '0' && c <= '9')
        return (s->id_classes & admin_digits) != 0;
    for (const char *m = s->id_marks; *m; m++)
        if (*m == c)
            return 1;
    return 0;
}

int settings_parse(const uint8_t *b, uint32_t length, AdminSettings *out)
{
    mem_fill(out, 0, sizeof *out);
    if (length != admin_size || get_u16(b + admin_length_at) != admin_size)
        return settings_bad_length;
    if (b[admin_version_at] != admin_version)
        return settings_bad_version;
    out->ask_id = b[admin_ask_id_at];
    out->id_length = b[admin_id_length_at];
    out->id_classes = b[admin_id_classes_at];
    mem_move(out->id_marks, b + admin_id_marks_at, admin_marks_size);
    out->offer_resume = b[admin_resume_at];
    out->show_time = b[admin_show_time_at];
    out->test_minutes = (uint16_t)get_u16(b + admin_test_minutes_at);
    out->item_seconds = (uint16_t)get_u16(b + admin_item_seconds_at);
    if (out->ask_id > admin_ask_required)
        return settings_bad_ask;
    if (out->id_length < 1 || out->id_length > admin_id_longest)
        return settings_bad_id_length;
    if (out->id_classes > (admin_letters | admin_digits))
        return settings_bad_characters;
    /* marks first, then zeros only */
    uint32_t n = str_len(out->id_marks);
    for (uint32_t i = 0; i < admin_marks_size; i++)
        if (i < n ? !is_mark(out->id_marks[i]) : b[admin_id_marks_at + i] != 0)
            return settings_bad_characters;
    if (!out->id_classes && !n)
        return settings_allows_nothing;
    if (out->offer_resume > 1 || out->show_time > 1)
        return settings_bad_flag;
    if (out->test_minutes > admin_test_minutes_max)
        return settings_bad_test_limit;
    if (out->item_seconds > admin_item_seconds_max)
        return settings_bad_item_limit;
    return settings_ok;
}

int settings_load(AdminSettings *out)
{
    uint32_t length;
    uint8_t *bytes = (uint8_t *)res_load(resource_admin, &length);
    mem_fill(out, 0, sizeof *out);
    if (!bytes)
        return 1;
    int fault = settings_parse(bytes, length, out);
    mem_free(bytes);
    return fault == settings_ok;
}

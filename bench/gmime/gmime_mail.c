/* The side-by-side reference for quillbox-cli mail: GMime parses a message file, finds its
 * HTML body (else its plain one) and prints the subject, the sender, the recipients, the date
 * and that body decoded into UTF-8. Built only by compare.sh; never part of the program. */
#include <fcntl.h>
#include <gmime/gmime.h>
#include <stdio.h>
#include <string.h>

static GMimeTextPart *html_part, *plain_part;

static void find_text(GMimeObject *parent, GMimeObject *part, gpointer data) {
    (void)parent;
    (void)data;
    if (!GMIME_IS_TEXT_PART(part)) return;
    GMimeContentType *type = g_mime_object_get_content_type(part);
    if (!html_part && g_mime_content_type_is_type(type, "text", "html")) html_part = GMIME_TEXT_PART(part);
    if (!plain_part && g_mime_content_type_is_type(type, "text", "plain")) plain_part = GMIME_TEXT_PART(part);
}

static void print_list(const char *label, InternetAddressList *list) {
    for (int i = 0; list && i < internet_address_list_length(list); i++) {
        InternetAddress *a = internet_address_list_get_address(list, i);
        const char *name = internet_address_get_name(a);
        const char *addr = INTERNET_ADDRESS_IS_MAILBOX(a) ? internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)) : "";
        printf("%s%s <%s>\n", label, name ? name : "", addr ? addr : "");
    }
}

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    g_mime_init();
    GMimeStream *stream = g_mime_stream_fs_open(argv[1], O_RDONLY, 0, NULL);
    if (!stream) return 2;
    GMimeParser *parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage *message = g_mime_parser_construct_message(parser, NULL);
    if (!message) return 2;
    const char *subject = g_mime_message_get_subject(message);
    printf("Subject: %s\n", subject ? subject : "");
    print_list("From: ", g_mime_message_get_from(message));
    print_list("To: ", g_mime_message_get_to(message));
    print_list("Cc: ", g_mime_message_get_cc(message));
    GDateTime *date = g_mime_message_get_date(message);
    if (date) {
        gchar *text = g_date_time_format(date, "%F %T %z");
        printf("Date: %s\n", text);
        g_free(text);
    }
    g_mime_message_foreach(message, find_text, NULL);
    GMimeObject *body = g_mime_message_get_mime_part(message);
    if (!html_part && !plain_part && GMIME_IS_TEXT_PART(body)) find_text(NULL, body, NULL);
    GMimeTextPart *text_part = html_part ? html_part : plain_part;
    int rc = 1;
    if (text_part) {
        char *text = g_mime_text_part_get_text(text_part);
        if (text) {
            printf("\n%s\n", text);
            g_free(text);
            rc = 0;
        }
    }
    g_object_unref(message);
    g_object_unref(parser);
    g_object_unref(stream);
    return rc;
}

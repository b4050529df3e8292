"""The bodies the address-book page answers with, as UTF-8 bytes."""

DECLARATION = '<?xml version="1.0" encoding="UTF-8"?>\n'


def escape_xml(text):
    # Only the five predefined entities: the client's parser knows no others
    # and no numeric character references. "&" goes first.
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&apos;"))


def person_line(person):
    return f'<person Name="{escape_xml(person.name)}" E-Mail="{escape_xml(person.email)}"/>\n'


def addressbook_document(person_lines):
    """The answer for people already rendered with person_line, in order."""
    parts = [DECLARATION, "<addressbooks>\n", *person_lines, "</addressbooks>\n"]
    return "".join(parts).encode("utf-8")


def error_document(reason):
    return f"{DECLARATION}<error>{escape_xml(reason)}</error>\n".encode("utf-8")


def unparsable_document(people):
    """An address book with a malformed tag (an attribute with "=" but no
    value), which the client's parser rejects as a whole."""
    parts = [DECLARATION, "<addressbooks>\n"]
    parts.extend(person_line(person) for person in people[:2])
    parts.append('<person Name="" E-Mail=/>\n</addressbooks>\n')
    return "".join(parts).encode("utf-8")


def unknown_entity_document(people):
    """An otherwise sound address book with one name holding "&nbsp;", an
    HTML entity that XML does not define."""
    parts = [DECLARATION, "<addressbooks>\n"]
    parts.append('<person Name="张&nbsp;三" E-Mail="zhangsan@tarnwell-demo.example"/>\n')
    parts.extend(person_line(person) for person in people[:2])
    parts.append("</addressbooks>\n")
    return "".join(parts).encode("utf-8")


def server_failure_page():
    return (b"<html><head><title>500 Internal Server Error</title></head>\n"
            b"<body><h1>Internal Server Error</h1></body></html>\n")


def not_found_page():
    return (b"<html><head><title>404 Not Found</title></head>\n"
            b"<body><h1>Not Found</h1></body></html>\n")

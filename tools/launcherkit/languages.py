"""The languages a launcher is made in: a profile's `language`, a Windows language tag such as en-US, gives
the language identifier every resource is marked with, the version block's string table and translation,
and the default texts of drawn art (the four captions and the welcome line).

The launcher's texts and AUTORUN.INF are compiled in the ANSI code page Windows-1252, so a launcher can be
made only in a language whose ANSI code page that is: the Western European ones. The other tags the
table knows are there to say which code page such a language would need.
"""

WESTERN = 1252
# The version block's texts are UTF-16, as the resource compiler writes them: the code page of its string
# table's key and of its translation.
UNICODE = 1200

# tag: (primary language, sublanguage, ANSI code page), as Windows defines them (winnt.h, the system's
# locale data). The one table of languages in the kit.
TAGS = {
    "ca-ES": (0x03, 0x01, 1252), "da-DK": (0x06, 0x01, 1252), "de-AT": (0x07, 0x03, 1252),
    "de-CH": (0x07, 0x02, 1252), "de-DE": (0x07, 0x01, 1252), "de-LU": (0x07, 0x04, 1252),
    "en-AU": (0x09, 0x03, 1252), "en-CA": (0x09, 0x04, 1252), "en-GB": (0x09, 0x02, 1252),
    "en-IE": (0x09, 0x06, 1252), "en-NZ": (0x09, 0x05, 1252), "en-US": (0x09, 0x01, 1252),
    "es-ES": (0x0A, 0x03, 1252), "es-MX": (0x0A, 0x02, 1252), "eu-ES": (0x2D, 0x01, 1252),
    "fi-FI": (0x0B, 0x01, 1252), "fo-FO": (0x38, 0x01, 1252), "fr-BE": (0x0C, 0x02, 1252),
    "fr-CA": (0x0C, 0x03, 1252), "fr-CH": (0x0C, 0x04, 1252), "fr-FR": (0x0C, 0x01, 1252),
    "fr-LU": (0x0C, 0x05, 1252), "ga-IE": (0x3C, 0x02, 1252), "gl-ES": (0x56, 0x01, 1252),
    "is-IS": (0x0F, 0x01, 1252), "it-CH": (0x10, 0x02, 1252), "it-IT": (0x10, 0x01, 1252),
    "lb-LU": (0x6E, 0x01, 1252), "nb-NO": (0x14, 0x01, 1252), "nl-BE": (0x13, 0x02, 1252),
    "nl-NL": (0x13, 0x01, 1252), "nn-NO": (0x14, 0x02, 1252), "pt-BR": (0x16, 0x01, 1252),
    "pt-PT": (0x16, 0x02, 1252), "sv-FI": (0x1D, 0x02, 1252), "sv-SE": (0x1D, 0x01, 1252),
    # Central European
    "cs-CZ": (0x05, 0x01, 1250), "hr-HR": (0x1A, 0x01, 1250), "hu-HU": (0x0E, 0x01, 1250),
    "pl-PL": (0x15, 0x01, 1250), "ro-RO": (0x18, 0x01, 1250), "sk-SK": (0x1B, 0x01, 1250),
    "sl-SI": (0x24, 0x01, 1250),
    # Cyrillic, Greek, Turkish, Hebrew, Arabic, Baltic, Vietnamese
    "bg-BG": (0x02, 0x01, 1251), "ru-RU": (0x19, 0x01, 1251), "uk-UA": (0x22, 0x01, 1251),
    "el-GR": (0x08, 0x01, 1253), "tr-TR": (0x1F, 0x01, 1254), "he-IL": (0x0D, 0x01, 1255),
    "ar-SA": (0x01, 0x01, 1256), "et-EE": (0x25, 0x01, 1257), "lt-LT": (0x27, 0x01, 1257),
    "lv-LV": (0x26, 0x01, 1257), "vi-VN": (0x2A, 0x01, 1258),
    # East Asian and Thai
    "th-TH": (0x1E, 0x01, 874), "ja-JP": (0x11, 0x01, 932), "zh-CN": (0x04, 0x02, 936),
    "ko-KR": (0x12, 0x01, 949), "zh-TW": (0x04, 0x01, 950),
}

DEFAULT_TAG = "de-DE"

# The profile keys of the buttons' captions, in the order of the buttons, and of every text of drawn art.
CAPTION_KEYS = ("caption_install", "caption_remove", "caption_browse", "caption_cancel")
TEXT_KEYS = CAPTION_KEYS + ("welcome_line",)
# The texts of TEXT_KEYS, in that order, by language: the tag's own entry, else its language's (the part
# before the hyphen). " | " breaks a line; {product} is the product's name. A language missing here has no
# default: its profile names the captions and the welcome itself.
TEXTS = {
    "de": ("installieren", "entfernen", "CD | durchsuchen", "abbrechen",
           "Willkommen! Installieren Sie {product} | oder sehen Sie sich den | Inhalt dieser CD an."),
    "en": ("Install", "Remove", "Browse CD", "Cancel",
           "Welcome! Install {product} | or browse the contents | of this CD."),
    "fr": ("Installer", "Supprimer", "Parcourir | le CD", "Annuler",
           "Bienvenue ! Installez {product} | ou parcourez le contenu | de ce CD."),
    "es": ("Instalar", "Quitar", "Explorar | el CD", "Cancelar",
           "\u00a1Bienvenido! Instale {product} | o explore el contenido | de este CD."),
    "it": ("Installa", "Rimuovi", "Sfoglia | il CD", "Annulla",
           "Benvenuto! Installa {product} | o sfoglia il contenuto | di questo CD."),
    "nl": ("Installeren", "Verwijderen", "Cd | bekijken", "Annuleren",
           "Welkom! Installeer {product} | of bekijk de inhoud | van deze cd."),
    "pt": ("Instalar", "Remover", "Explorar | o CD", "Cancelar",
           "Bem-vindo! Instale {product} | ou explore o conte\u00fado | deste CD."),
    "sv": ("Installera", "Ta bort", "Utforska | cd:n", "Avbryt",
           "V\u00e4lkommen! Installera {product} | eller utforska inneh\u00e5llet | p\u00e5 den h\u00e4r cd:n."),
    "da": ("Installer", "Fjern", "Gennemse | cd'en", "Annuller",
           "Velkommen! Installer {product} | eller gennemse indholdet | af denne cd."),
    "nb": ("Installer", "Fjern", "Bla gjennom | CD-en", "Avbryt",
           "Velkommen! Installer {product} | eller bla gjennom innholdet | p\u00e5 denne CD-en."),
    "fi": ("Asenna", "Poista", "Selaa | CD-levy\u00e4", "Peruuta",
           "Tervetuloa! Asenna {product} | tai selaa t\u00e4m\u00e4n | CD-levyn sis\u00e4lt\u00f6\u00e4."),
}
LINE_BREAK = " | "


class Language:
    """One tag of the table: `tag`, `primary` and `sublanguage`, their `id` as resources carry it (0x0409),
    `code_page` (ANSI)."""

    def __init__(self, tag):
        self.tag = tag
        self.primary, self.sublanguage, self.code_page = TAGS[tag]
        self.id = self.sublanguage << 10 | self.primary

    @property
    def supported(self):
        return self.code_page == WESTERN

    @property
    def string_table_key(self):
        return string_table_key(self.id)

    def default_text(self, key, product_name):
        """The default of a text key (TEXT_KEYS) with its line breaks as " | ", or None if it has none."""
        texts = TEXTS.get(self.tag) or TEXTS.get(self.tag.split("-")[0])
        return texts[TEXT_KEYS.index(key)].replace("{product}", product_name) if texts else None

    def __repr__(self):
        return "%s (0x%04X)" % (self.tag, self.id)


def string_table_key(language_id):
    """The key of the version block's string table: the language and the Unicode code page, "040904b0"."""
    return "%04x%04x" % (language_id, UNICODE)


def supported_tags():
    return sorted(tag for tag, (_, _, code_page) in TAGS.items() if code_page == WESTERN)


def of_id(language_id):
    """The supported Language that carries `language_id`, or None."""
    return next((Language(tag) for tag in supported_tags() if Language(tag).id == language_id), None)


def code_page_name(code_page):
    return "Windows-%d" % code_page if code_page >= 1250 else "code page %d" % code_page


def tag_fault(tag):
    """(found, required) when `tag` names no language a launcher can be made in, else None."""
    known = {t.lower(): t for t in TAGS}
    required = ("a Windows language tag whose ANSI code page is Windows-1252, in which the launcher's texts and "
                "AUTORUN.INF are compiled: %s" % ", ".join(supported_tags()))
    if tag not in TAGS:
        if tag.lower() in known:
            return '"%s"' % tag, 'the tag as Windows writes it, "%s"; %s' % (known[tag.lower()], required)
        return '"%s", a tag the kit does not know' % tag, required
    language = Language(tag)
    if not language.supported:
        return '"%s", whose ANSI code page is %s' % (tag, code_page_name(language.code_page)), required
    return None


def lines(text):
    """A text of drawn art as lines: " | " breaks them."""
    return text.split(LINE_BREAK)

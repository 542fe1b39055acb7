"""The languages a launcher is made in: a profile's `language`, a Windows language tag such as en-US, gives
the language identifier every resource is marked with, the version block's string table and translation,
and the default texts of drawn art (the four captions and the welcome line).

The launcher's texts and AUTORUN.INF are compiled in the ANSI code page Windows-1252, so a launcher can be
made only in a language whose ANSI code page that is: the Western European ones. The other tags the
table knows are there to say which code page such a language would need.
"""

import locale

# The version block's texts are UTF-16, as the resource compiler writes them: the code page of its string
# table's key and of its translation.
UNICODE = 1200

# The tags whose ANSI code page is Windows-1252, the one table of languages a launcher can be made in: tag:
# (primary language, sublanguage), as Windows defines them, from the standard library's table of Windows locales.
TAGS = {tag: (lcid & 0x3FF, lcid >> 10) for lcid, name in locale.windows_locale.items()
        for tag in [name.replace("_", "-")] if tag in """ca-ES da-DK de-AT de-CH de-DE de-LU en-AU en-CA en-GB en-IE
        en-NZ en-US es-ES es-MX eu-ES fi-FI fo-FO fr-BE fr-CA fr-CH fr-FR fr-LU ga-IE gl-ES is-IS it-CH it-IT lb-LU
        nb-NO nl-BE nl-NL nn-NO pt-BR pt-PT sv-FI sv-SE""".split()}
# The ANSI code pages of other tags (the system's locale data), to say which one such a language would need.
OTHER_CODE_PAGES = {tag: page for tags, page in {
    "cs-CZ hr-HR hu-HU pl-PL ro-RO sk-SK sl-SI": "Windows-1250", "bg-BG ru-RU uk-UA": "Windows-1251",
    "el-GR": "Windows-1253", "tr-TR": "Windows-1254", "he-IL": "Windows-1255", "ar-SA": "Windows-1256",
    "et-EE lt-LT lv-LV": "Windows-1257", "vi-VN": "Windows-1258", "th-TH": "code page 874",
    "ja-JP": "code page 932", "zh-CN": "code page 936", "ko-KR": "code page 949", "zh-TW": "code page 950",
}.items() for tag in tags.split()}

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
    """One tag of the table: `tag`, `primary` and `sublanguage`, their `id` as resources carry it (0x0409)."""

    def __init__(self, tag):
        self.tag = tag
        self.primary, self.sublanguage = TAGS[tag]
        self.id = self.sublanguage << 10 | self.primary

    @property
    def string_table_key(self):
        return string_table_key(self.id)

    def default_text(self, key, product_name):
        """The default of a text key (TEXT_KEYS) with its line breaks as " | ", or None if it has none."""
        texts = TEXTS.get(self.tag) or TEXTS.get(self.tag.split("-")[0])
        return texts[TEXT_KEYS.index(key)].replace("{product}", product_name) if texts else None


def string_table_key(language_id):
    """The key of the version block's string table: the language and the Unicode code page, "040904b0"."""
    return "%04x%04x" % (language_id, UNICODE)


def supported_tags():
    return sorted(TAGS)


def of_id(language_id):
    """The supported Language that carries `language_id`, or None."""
    return next((Language(tag) for tag in supported_tags() if Language(tag).id == language_id), None)


def tag_fault(tag):
    """(found, required) when `tag` names no language a launcher can be made in, else None."""
    if tag in TAGS:
        return None
    required = ("a Windows language tag whose ANSI code page is Windows-1252, in which the launcher's texts and "
                "AUTORUN.INF are compiled: %s" % ", ".join(supported_tags()))
    if tag in OTHER_CODE_PAGES:
        return '"%s", whose ANSI code page is %s' % (tag, OTHER_CODE_PAGES[tag]), required
    known = {t.lower(): t for t in [*TAGS, *OTHER_CODE_PAGES]}
    if tag.lower() in known:
        return '"%s"' % tag, 'the tag as Windows writes it, "%s"; %s' % (known[tag.lower()], required)
    return '"%s", a tag the kit does not know' % tag, required

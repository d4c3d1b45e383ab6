#!/usr/bin/env python3
"""Write a synthetic Notes address book as a DXL file.

Usage: python3 examples/make_book.py N OUT.dxl [--seed S] [--title T] [--quiet]

Writes N person documents (about 45 items each: the 42 items a contact record
reads, mostly filled, plus the bookkeeping items real exports carry), a view
design note for $People and a few group documents. The same N and seed always
give the same file, byte for byte. The file is written to OUT.dxl.tmp and
renamed over OUT.dxl only when complete. OUT may be "-" for standard output.

Every person is a person by the directory's rule: most carry Type "Person",
about one in 400 has no Type item and is a person by its form, and about one in
900 is written as a raw <note class='document'> with a Form item.
Standard library only; runs under any Python 3.
"""

import argparse
import os
import random
import sys

DXL_NS = "http://www.lotus.com/dxl"

FIRST = (
    "Aaron Abigail Adrian Agnes Alan Alice Amir Ana Andrea Anton Arthur Astrid "
    "Barbara Benedikt Bernard Bianca Boris Brenda Bruno "
    "Carla Carlos Catherine Cecil Chiara Christoph Clara Colin Connor "
    "Dagmar Daniel Daphne David Deborah Dennis Diana Dmitri Dora "
    "Edith Eduardo Elena Elias Elif Emma Erik Esther Ethan Eva "
    "Fabian Farah Felix Fiona Florian Frances Frank Freya "
    "Gabriel Gemma George Gerda Gianni Gloria Gordon Greta Gustav "
    "Hana Hannah Harold Hassan Heidi Helen Henrik Hugo "
    "Ian Ida Igor Ilse Imogen Ines Ingrid Irene Isaac Ivan "
    "Jack Jana Jasper Jean Jennifer Joachim Jonas Josefine Julia Julian "
    "Kai Karen Karl Kasia Katarina Keith Kenji Kerstin Kim Kurt "
    "Lara Lars Laura Leon Lena Liam Lina Lorenzo Lucia Ludwig "
    "Magnus Maja Marco Margaret Maria Martin Mateo Mei Michael Mira "
    "Nadia Nathan Nele Nikolai Nina Noah Nora Norbert "
    "Odette Olaf Olga Oliver Olivia Omar Oscar Otto "
    "Pablo Paola Patrick Paula Pavel Peter Petra Philippa "
    "Qasim Quentin Quinn "
    "Rachel Rafael Rebecca Reinhard Rita Robert Rosa Ruth Ryan "
    "Sabine Samuel Sara Sebastian Sigrid Simon Sofia Stefan Susan Sven "
    "Tamara Theo Thomas Tilda Tobias Tomas Tove Tristan "
    "Ulla Ulrich Uma Ursula Uwe "
    "Valentina Valerie Vera Victor Viktoria Vincent "
    "Walter Wanda Wendy Werner Wilhelmina William "
    "Xaver Xenia Ximena "
    "Yara Yasmin Yusuf Yvonne "
    "Zachary Zainab Zofia Zoltan Zoe"
).split()

# First names that do not begin with A to Z: accented, non-Latin, digits, punctuation.
FIRST_ODD = [
    "\u00c9mile", "\u00d8rjan", "\u00c5sa", "\u00c1gnes", "\u00d6zlem", "\u00c7a\u011fla",
    "\u0141ucja", "\u0160t\u011bp\u00e1n", "\u00cdsak", "\u00dcmit",
    "\u0394\u03b7\u03bc\u03ae\u03c4\u03c1\u03b7\u03c2", "\u0410\u043d\u043d\u0430",
    "\u6b66", "\u3055\u304f\u3089",
    "3M Liaison", "007 Desk", "'Bud'", "(Reception)", "-", "#Helpdesk",
]

LAST = (
    "Abbott Achterberg Adler Ahmed Albrecht Alvarez Andersen Arnold "
    "Baker Barros Bauer Becker Bergstr\u00f6m Bianchi Blackwood Brandt Brown "
    "Carter Castillo Chen Conti Cooper Costa Cruz "
    "Dahl Davies Delacroix Diaz Dubois Dunn "
    "Eckhart Edwards Eliassen Engel Evans "
    "Falk Fernandes Fischer Fitzgerald Foster Fournier "
    "Garcia Gardner Gruber Gupta Guzman "
    "Hale Hansen Hartmann Hayes Hoffmann Horvath Huber "
    "Ibarra Ingram Ishikawa Ivanova "
    "Jansen Jensen Jim\u00e9nez Johansson Jones "
    "Kaiser Kaur Keller Kim Klein Kowalski Kr\u00fcger "
    "Lang Larsen Laurent Lee Lehmann Lindqvist Lopez "
    "MacLeod Marino Martens Meyer Moreau M\u00fcller Murphy "
    "Nakamura Neumann Nguyen Nielsen Novak "
    "O'Brien Olsen Ortega Osei "
    "Park Patel Perez Petrov Pohl "
    "Quaid Quint "
    "Reyes Richter Rossi Russo "
    "Sato Schmidt Schneider Silva Smith Sorensen Stein "
    "Tanaka Thompson Torres Tran "
    "Ueda Urban "
    "Vargas Vogel Volkov "
    "Wagner Walsh Weber Wilson Wolf "
    "Xu "
    "Yamada Young "
    "Zhang Zimmermann"
).split()

MIDDLE = ["A.", "B.", "C.", "D.", "E.", "J.", "K.", "L.", "M.", "R.", "S.", "T.",
          "Anne", "Marie", "James", "Lee", "Maria", "Paul"]

COMPANIES = [
    "Corvane", "Corvane", "Corvane", "Northwind Traders", "Harbour & Finch",
    "Blue Fjord Logistics", "Ostrander Mills", "Keel <Marine> Supply",
    "Lindqvist & S\u00f6ner AB", "Pellham Analytics", "Quarry Lane Foods",
]
JOBS = ["Account Manager", "Sales Representative", "Software Engineer", "Controller",
        "Office Manager", "Buyer", "Project Lead", "Consultant", "Support Engineer",
        "Head of Marketing", "Warehouse Supervisor", "Legal Counsel", "Analyst"]
DEPTS = ["Sales", "Engineering", "Finance", "Operations", "Marketing", "Support",
         "Legal", "Purchasing", "HR"]
CITIES = [
    ("Springfield", "IL", "US", "62701"), ("Portland", "OR", "US", "97205"),
    ("Leeds", "", "GB", "LS1 4AP"), ("Hamburg", "", "DE", "20095"),
    ("Lyon", "", "FR", "69002"), ("Uppsala", "", "SE", "753 20"),
    ("Toronto", "ON", "CA", "M5H 2N2"), ("Aarhus", "", "DK", "8000"),
    ("Graz", "", "AT", "8010"), ("Osaka", "", "JP", "530-0001"),
    ("Melbourne", "VIC", "AU", "3000"), ("Z\u00fcrich", "", "CH", "8001"),
]
STREETS = ["Harbour Road", "Mill Street", "Elm Avenue", "K\u00f6nigstra\u00dfe",
           "Rue des Lilas", "Station Road", "Lakeview Drive", "Storgatan",
           "Queen Street West", "Bridge Lane"]
CATEGORIES = ["Customer", "Supplier", "Partner", "Press", "Family", "Friends",
              "Holiday Cards", "VIP", "Former", "Board"]
COMMENTS = [
    "Met at the spring trade fair.",
    "Prefers calls in the morning; never before 8.",
    "Send the price list | catalogue every quarter.",
    "Renewal due in March.",
    "Knows the old ordering system inside out.",
    "Ask about the new warehouse & the delivery slots.",
]


def xml_escape(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def attr_escape(s):
    return xml_escape(s).replace("'", "&apos;").replace('"', "&quot;")


def dxl_date(y, m, d):
    return "%04d%02d%02d" % (y, m, d)


def dxl_stamp(rng, year_lo, year_hi):
    """A date with time of day, hundredths and a zone offset, as exports write it."""
    return "%04d%02d%02dT%02d%02d%02d,%02d%s" % (
        rng.randint(year_lo, year_hi), rng.randint(1, 12), rng.randint(1, 28),
        rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59), rng.randint(0, 99),
        rng.choice(("-05", "-04", "+01", "+02", "+00", "+0530", "Z")))


def text_item(name, value, summary=True):
    return "<item name='%s'%s><text>%s</text></item>\n" % (
        name, " summary='true'" if summary else "", xml_escape(value))


def textlist_item(name, values, extra_attrs=""):
    return "<item name='%s'%s><textlist>%s</textlist></item>\n" % (
        name, extra_attrs, "".join("<text>%s</text>" % xml_escape(v) for v in values))


def phone(rng):
    return "+%d %d %03d %04d" % (rng.choice((1, 44, 49, 33, 46, 81)), rng.randint(10, 99),
                                 rng.randint(0, 999), rng.randint(0, 9999))


class Book:
    def __init__(self, out, seed, title):
        self.out = out
        self.rng = random.Random(seed)
        self.title = title
        self.replica = "%016X" % random.Random("replica-%s" % seed).getrandbits(64)
        self.note_number = 0
        self.persons = 0
        self.groups = 0
        self.members = []

    def next_ids(self):
        # Note IDs are multiples of 4 in Notes; UNIDs are 32 hex digits. The
        # counter in the low half keeps every UNID of the file unique.
        self.note_number += 1
        noteid = "%x" % (0x8f6 + 4 * self.note_number)
        unid = "%08X%08X%s" % (self.rng.getrandbits(32), self.note_number, self.replica)
        return noteid, unid

    def noteinfo(self, noteid, unid):
        rng = self.rng
        created = dxl_stamp(rng, 2004, 2015)
        modified = dxl_stamp(rng, 2016, 2024)
        return ("<noteinfo noteid='%s' unid='%s' sequence='%d'>\n"
                "<created><datetime dst='true'>%s</datetime></created>\n"
                "<modified><datetime dst='true'>%s</datetime></modified>\n"
                "<revised><datetime dst='true'>%s</datetime></revised>\n"
                "<lastaccessed><datetime dst='true'>%s</datetime></lastaccessed>\n"
                "<addedtofile><datetime dst='true'>%s</datetime></addedtofile></noteinfo>\n"
                % (noteid, unid, rng.randint(1, 12), created, modified, modified,
                   modified, created))

    def header(self, documents):
        w = self.out.write
        w("<?xml version='1.0' encoding='utf-8'?>\n"
          "<!DOCTYPE database SYSTEM 'xmlschemas/domino_9_0_1.dtd'>\n")
        w("<database xmlns='%s' version='9.0' maintenanceversion='1.0' replicaid='%s' "
          "path='names.nsf' title='%s' fromtemplate='StdR4PublicAddressBook'>\n"
          % (DXL_NS, self.replica, attr_escape(self.title)))
        w("<databaseinfo dbid='%s' odsversion='52' diskspace='%d' percentused='91.5' "
          "numberofdocuments='%d'><datamodified><datetime dst='true'>20240611T091512,44+02"
          "</datetime></datamodified><designmodified><datetime dst='true'>20230102T101010,10+01"
          "</datetime></designmodified></databaseinfo>\n"
          % (self.replica, 1 << 24, documents))
        w("<view name='People' alias='$People' showinmenu='false' publicaccess='false'"
          " unreadmarks='none' onopengoto='lastopened' onrefresh='displayindicator'"
          " headers='beveled' opencollapsed='false' showresponsehierarchy='false'>\n"
          "<noteinfo noteid='11e' unid='%s0000011E%s' sequence='4'/>\n"
          "<code event='selection'><formula>SELECT Type = \"Person\"</formula></code>\n"
          "<column sort='ascending' hidedetailrows='false' itemname='$17' width='20'"
          " resizable='true' separatemultiplevalues='false' sortnoaccent='true'"
          " sortnocase='true' showaspicklist='false'><columnheader title='Name'/>"
          "<code event='value'><formula>@Trim(LastName + \", \" + FirstName)</formula>"
          "</code></column>\n"
          "<column hidedetailrows='false' itemname='OfficePhoneNumber' width='12'"
          " resizable='true'><columnheader title='Business Phone'/></column>\n"
          "<column hidedetailrows='false' itemname='CompanyName' width='16'"
          " resizable='true'><columnheader title='Company'/></column>\n"
          "</view>\n" % ("FFFFFFFF", self.replica))

    def person(self):
        rng = self.rng
        noteid, unid = self.next_ids()
        roll = rng.random()
        if roll < 0.020:
            first = rng.choice(FIRST).lower()
        elif roll < 0.032:
            first = rng.choice(FIRST_ODD)
        else:
            first = rng.choice(FIRST)
        last = rng.choice(LAST)
        middle = rng.choice(MIDDLE) if rng.random() < 0.3 else ""
        company = rng.choice(COMPANIES)
        city, state, country, zip_code = rng.choice(CITIES)
        hcity, hstate, hcountry, hzip = rng.choice(CITIES)
        short = (first[:1] + last).lower().replace("'", "").replace(" ", "")
        mail = "%s@%s.example" % (short, company.split()[0].lower().strip("<>"))
        owner = "CN=%s %s/O=Corvane" % (first, last)

        shape = rng.random()
        raw_note = shape < 1.0 / 900
        typed = not raw_note and shape >= 1.0 / 900 + 1.0 / 400

        parts = []
        a = parts.append
        if raw_note:
            a("<note class='document'>\n")
            a("<noteinfo noteid='%s' unid='%s' sequence='%d'/>\n"
              % (noteid, unid, rng.randint(1, 9)))
            a(text_item("Form", "Person", summary=False))
        else:
            a("<document form='Person'>\n")
            a(self.noteinfo(noteid, unid))
            a("<updatedby><name>CN=Directory Admin/O=Corvane</name>"
              "<name>%s</name></updatedby>\n" % xml_escape(owner))
            a("<revisions><datetime dst='true'>%s</datetime></revisions>\n"
              % dxl_stamp(rng, 2016, 2024))
        if typed:
            a(text_item("Type", "Person"))

        def maybe(name, value, p=0.9):
            if rng.random() < p:
                a(text_item(name, value))

        a(text_item("FirstName", first))
        if middle:
            a(text_item("MiddleInitial", middle))
        a(text_item("LastName", last))
        maybe("Suffix", rng.choice(("Jr.", "Sr.", "III", "PhD")), 0.04)
        maybe("Title", rng.choice(("Mr.", "Ms.", "Dr.", "Prof.", "Mx.")), 0.6)
        a(text_item("MailAddress", mail))
        a(text_item("CompanyName", company))
        maybe("JobTitle", rng.choice(JOBS))
        a(text_item("OfficeStreetAddress", "%d %s" % (rng.randint(1, 240), rng.choice(STREETS))))
        a(text_item("OfficeCity", city))
        a(text_item("OfficeZip", zip_code))
        maybe("OfficeState", state)
        a(text_item("OfficeCountry", country))
        maybe("Location", "%s office" % city, 0.5)
        maybe("WebSite", "https://www.%s.example/" % company.split()[0].lower().strip("<>"), 0.7)
        a(text_item("Department", rng.choice(DEPTS)))
        maybe("Manager", "%s %s" % (rng.choice(FIRST), rng.choice(LAST)), 0.7)
        maybe("Assistant", "%s %s" % (rng.choice(FIRST), rng.choice(LAST)), 0.4)
        a(text_item("OfficePhoneNumber", phone(rng)))
        maybe("OfficeFAXPhoneNumber", phone(rng), 0.5)
        maybe("CellPhoneNumber", phone(rng), 0.8)
        maybe("PhoneNumber_6", phone(rng), 0.2)
        maybe("MiscPhone1", "%s.%s@mail.example" % (first[:1].lower(), short), 0.3)
        maybe("MiscPhone2", "%s@private.example" % short, 0.2)
        maybe("MiscPhone3", "%s@old.example" % short, 0.1)
        street = "%d %s" % (rng.randint(1, 240), rng.choice(STREETS))
        if rng.random() < 0.1:
            a("<item name='StreetAddress'><text>%s<break/>Flat %d</text></item>\n"
              % (xml_escape(street), rng.randint(1, 40)))
        else:
            a(text_item("StreetAddress", street))
        a(text_item("City", hcity))
        if rng.random() < 0.05:
            a("<item name='Zip'><number>%d</number></item>\n" % rng.randint(10000, 99999))
        else:
            a(text_item("Zip", hzip))
        maybe("State", hstate)
        a(text_item("Country", hcountry))
        maybe("Spouse", "%s %s" % (rng.choice(FIRST), last), 0.4)
        if rng.random() < 0.3:
            kids = [rng.choice(FIRST) for _ in range(rng.randint(1, 3))]
            a(textlist_item("Children", kids))
        a(text_item("PhoneNumber", phone(rng)))
        maybe("HomeFAXPhoneNumber", phone(rng), 0.15)
        maybe("PersPager", phone(rng), 0.6)
        if rng.random() < 0.8:
            a("<item name='Birthday'><datetime>%s</datetime></item>\n"
              % dxl_date(rng.randint(1940, 2004), rng.randint(1, 12), rng.randint(1, 28)))
        if rng.random() < 0.3:
            if rng.random() < 0.5:
                a("<item name='Anniversary'><datetime dst='true'>%s</datetime></item>\n"
                  % dxl_stamp(rng, 1970, 2020))
            else:
                a("<item name='Anniversary'><datetime>%s</datetime></item>\n"
                  % dxl_date(rng.randint(1970, 2020), rng.randint(1, 12), rng.randint(1, 28)))
        if rng.random() < 0.7:
            pars = "".join("<par def='1'>%s</par>" % xml_escape(rng.choice(COMMENTS))
                           for _ in range(rng.randint(1, 3)))
            a("<item name='Comment'><richtext><pardef id='1'/>%s</richtext></item>\n" % pars)
        a(text_item("ShortName", short))
        maybe("AltFullNameSort", "%s %s" % (last, first), 0.3)
        a(text_item("MailDomain", "Corvane" if company == "Corvane" else "Internet"))
        cats = rng.sample(CATEGORIES, rng.randint(1, 3))
        a(textlist_item("Categories", cats))

        # Items the contact record does not read, as real exports carry them.
        a(textlist_item("FullName", ["%s %s" % (first, last), short],
                        " names='true' summary='true'"))
        a("<item name='Owner' names='true'><text>%s</text></item>\n" % xml_escape(owner))
        a("<item name='LocalAdmin' names='true'><text>CN=Directory Admin/O=Corvane</text></item>\n")
        a("<item name='MailSystem'><text>%d</text></item>\n" % rng.choice((1, 5)))
        a("<item name='$Revisions' sign='true'><datetimelist>%s</datetimelist></item>\n"
          % "".join("<datetime dst='true'>%s</datetime>" % dxl_stamp(rng, 2016, 2024)
                    for _ in range(rng.randint(1, 4))))
        a("<item name='StorageEnc'><number>%d</number></item>\n" % rng.randint(0, 2))
        a("<item name='MessageStorage'><text>%d</text></item>\n" % rng.randint(0, 2))
        a("<item name='EncryptIncomingMail'><text>0</text></item>\n")
        a("<item name='CalendarDomain'><text>Corvane</text></item>\n")
        a("<item name='AvailableForDirSync'><numberlist><number>1</number></numberlist></item>\n")
        if rng.random() < 0.1:
            a("<item name='Certificate'><rawitemdata type='1'>"
              "AQIDBAUGBwgJCgsMDQ4PEBESExQVFhcYGRobHB0eHyAhIiMkJSYnKCkqKywtLi8w"
              "</rawitemdata></item>\n")
        a("</note>\n" if raw_note else "</document>\n")
        self.out.write("".join(parts))
        self.persons += 1
        if len(self.members) < 40 and rng.random() < 0.01:
            self.members.append("CN=%s %s/O=Corvane" % (first, last))

    def group(self, name, description):
        noteid, unid = self.next_ids()
        members = self.members[self.groups::3] or ["CN=Directory Admin/O=Corvane"]
        self.out.write(
            "<document form='Group'>\n" + self.noteinfo(noteid, unid)
            + text_item("Type", "Group")
            + text_item("ListName", name)
            + text_item("GroupType", "0")
            + text_item("ListDescription", description)
            + textlist_item("Members", members, " names='true'")
            + "</document>\n")
        self.groups += 1

    def footer(self):
        self.out.write("</database>\n")


GROUPS = [
    ("Sales Team", "Everyone in sales"),
    ("LocalDomainServers", "Servers in the Corvane domain"),
    ("Holiday Card List", "People who get a card"),
    ("Engineering", "Engineering staff"),
    ("Board & Advisors", "Board members and outside advisors"),
]


def write_book(out, n, seed, title):
    book = Book(out, seed, title)
    book.header(n + len(GROUPS))
    # Groups are spread through the file, as in a real directory.
    marks = {(i + 1) * n // (len(GROUPS) + 1): g for i, g in enumerate(GROUPS)}
    pending = list(GROUPS)
    for i in range(n):
        if i in marks and marks[i] in pending:
            book.group(*marks[i])
            pending.remove(marks[i])
        book.person()
    for g in pending:
        book.group(*g)
    book.footer()
    return book


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="make_book.py",
        description="Write a synthetic Notes address book (DXL) of N person documents, "
                    "a $People view design note and a few group documents. "
                    "The same N and seed always give the same file.")
    parser.add_argument("count", metavar="N", type=int, help="number of person documents (0 or more)")
    parser.add_argument("out", metavar="OUT.dxl", help="file to write (replaced when complete), or - for standard output")
    parser.add_argument("--seed", default="1", help="seed for the random content (default 1)")
    parser.add_argument("--title", default="Corvane Directory", help="database title (default: Corvane Directory)")
    parser.add_argument("-q", "--quiet", action="store_true", help="print no summary")
    args = parser.parse_args(argv)
    if args.count < 0:
        parser.error("N must be 0 or more, not %d" % args.count)

    if args.out == "-":
        out = open(sys.stdout.fileno(), "w", encoding="utf-8", newline="\n",
                   buffering=1 << 20, closefd=False)
        book = write_book(out, args.count, args.seed, args.title)
        out.close()
        size = None
    else:
        tmp = args.out + ".tmp"
        try:
            with open(tmp, "w", encoding="utf-8", newline="\n", buffering=1 << 20) as out:
                book = write_book(out, args.count, args.seed, args.title)
            os.replace(tmp, args.out)
        except OSError as e:
            try:
                os.unlink(tmp)
            except OSError:
                pass
            sys.stderr.write("make_book.py: cannot write %s: %s; check the folder exists and is writable\n"
                             % (args.out, e.strerror or e))
            return 1
        size = os.path.getsize(args.out)
    if not args.quiet:
        sys.stderr.write("make_book.py: %d persons, %d groups%s\n" % (
            book.persons, book.groups,
            "" if size is None else " -> %s (%.1f MB)" % (args.out, size / 1e6)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

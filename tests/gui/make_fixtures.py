#!/usr/bin/python3
"""Writes the small processing lists the desktop tests open (python3-xlwt).

Run from the repository root: /usr/bin/python3 tests/gui/make_fixtures.py
The lists are dated around 3/13/2024, the day the tests take as today.
"""
import os
import xlwt

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures")

HEADINGS = ["RSID", "RECRUITER", "NAME", "PHONE", "COMP", "APP TYPE", "PS", "SEX", "ED",
            "LEAD SOURCE", "APPT MADE", "APPT SCHEDULED", "APPT CONDUCTED", "EST", "TEST DATE",
            "QT", "PHYSICAL DATE", "PULHES", "C19", "C20", "NEXT ACTION", "NEXT ACTION DATE",
            "C23", "DISPOSITION", "MAKE APPROVED", "CONDUCT APPROVED", "C27"]

# station, recruiter cell, name, comp, ps, ed, made, scheduled, conducted, est, qt,
# next action, next action date, approved make, approved conduct
ROWS = [
    ("1A1A", "1A1ASMITH, JOHN", "ADAMS, AMY", "A", "N", "12H", "3/1/2024 9:00:00 AM",
     "3/13/2024 10:30:00 AM", "", "", "", "TEST", "3/20/2024 8:00:00 AM", "Y", ""),
    ("1A1A", "1A1ASMITH, JOHN", "BAKER, BEN", "A", "N", "11S", "3/4/2024 1:15:00 PM",
     "3/14/2024 2:00:00 PM", "", "", "", "REVIEW", "3/14/2024 2:00:00 PM", "Y", ""),
    ("1A1A", "1A1ADOE, JANE", "CARTER, CAL", "R", "N", "12H", "2/20/2024 11:00:00 AM",
     "3/12/2024 9:00:00 AM", "3/12/2024 9:30:00 AM", "55", "", "APPOINTMENT-INITIAL",
     "3/10/2024 9:00:00 AM", "Y", "Y"),
    ("1A1A", "1A1ADOE, JANE", "DIAZ, DANA", "A", "Y", "109", "2/15/2024 10:00:00 AM",
     "3/15/2024 3:00:00 PM", "", "", "", "", "", "", ""),
    ("1A1A", "1A1ASMITH, JOHN", "EVANS, ED", "A", "N", "12H", "2/10/2024 8:45:00 AM",
     "2/12/2024 9:00:00 AM", "2/12/2024 9:00:00 AM", "41*", "64", "TEST",
     "2/28/2024 7:00:00 AM", "Y", ""),
    ("1A1B", "1A1BBROWN, BOB *Term*", "FOX, FRAN", "A", "N", "11M", "3/5/2024 4:00:00 PM",
     "3/13/2024 4:00:00 PM", "", "", "", "REVIEW", "3/18/2024 9:00:00 AM", "Y", ""),
    ("1A1B", "1A1BGREEN, AL", "GRANT, GUS", "R", "N", "12H", "3/6/2024 9:30:00 AM",
     "3/12/2024 11:00:00 AM", "3/12/2024 11:15:00 AM", "72", "58", "TEST",
     "3/19/2024 7:00:00 AM", "Y", "Y"),
    ("1A1B", "1A1BGREEN, AL", "HILL, HANNAH", "A", "N", "12H", "3/7/2024 10:00:00 AM",
     "3/15/2024 10:00:00 AM", "", "", "", "APPOINTMENT-INITIAL", "3/15/2024 10:00:00 AM", "",
     ""),
    ("1A1B", "1A1BGREEN, AL", "IRWIN, IVY", "A", "N", "12H", "1/15/2024 2:00:00 PM",
     "3/20/2024 2:00:00 PM", "", "", "", "TEST", "3/11/2024 8:00:00 AM", "Y", ""),
    ("1A1B", "1A1BBROWN, BOB *Term*", "JONES, JACK", "A", "N", "11S", "3/8/2024 3:00:00 PM",
     "3/12/2024 3:00:00 PM", "3/12/2024 3:10:00 PM", "38", "", "TEST", "3/21/2024 8:00:00 AM",
     "Y", ""),
]


# A scheduled review whose date does not read as a date: counting stops on it.
BAD_REVIEW = [
    ROWS[0],
    ("1A1A", "1A1ADOE, JANE", "KING, KIM", "A", "N", "12H", "3/2/2024 9:00:00 AM",
     "3/4/2024 9:00:00 AM", "", "", "", "REVIEW", "13/45/2024 9:00:00 AM", "Y", ""),
]


# An EST that is not a whole number: the row loop fails.
BAD_EST = [ROWS[0], ROWS[1][:9] + ("abc",) + ROWS[1][10:]]


def header_rows(sheet):
    sheet.write(0, 0, "APPLICANT PROCESSING LIST")
    sheet.write(2, 0, "Station: 1A")
    for column, heading in enumerate(HEADINGS):
        sheet.write(8, column, heading)


def write_list(path, rows):
    book = xlwt.Workbook()
    sheet = book.add_sheet("APL")
    header_rows(sheet)
    for i, row in enumerate(rows):
        (rsid, rctr, name, comp, ps, ed, made, sch, cond, est, qt, action, action_date,
         make_ok, cond_ok) = row
        cells = [rsid, rctr, name, "555-010%d" % (i % 10), comp, "N", ps, "M", ed, "WALK IN",
                 made, sch, cond, est, "", qt, "", "", "", "", action, action_date, "",
                 "", make_ok, cond_ok, ""]
        for column, value in enumerate(cells):
            if value != "":
                sheet.write(9 + i, column, value)
    book.save(path)


def main():
    os.makedirs(HERE, exist_ok=True)
    write_list(os.path.join(HERE, "small_apl.xls"), ROWS)
    write_list(os.path.join(HERE, "no_rows.xls"), [])
    write_list(os.path.join(HERE, "bad_review_date.xls"), BAD_REVIEW)
    write_list(os.path.join(HERE, "bad_est.xls"), BAD_EST)
    # Neither a compound file, nor a zip archive, nor text (text opens as a .csv list).
    with open(os.path.join(HERE, "not_a_workbook.xls"), "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x00\x00\x01")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Writes the largest processing list the program handles, with python3-xlwt.

    /usr/bin/python3 bench/make_largest_apl.py OUT.xls [--rows N] [--seed S]

Nine title and heading rows (row 9 holds the headings, "APP TYPE" in column 6), then N data
rows (default 65,527, the most the applicant table holds) of 27 columns in the current layout:
text cells as the recruiting portal writes them (date-times, scores and phone numbers as text),
about 30% of the cells empty, some 240,000 distinct strings; about 22 MB.

The appointment dates fall in 2008 (made from 1/2/2008 on, scheduled up to a few weeks later),
so a benchmark that wants a full list period uses --today 2008-12-31.
"""

import argparse
import datetime
import random

import xlwt

HEADINGS = ["RSID", "RECRUITER", "NAME", "PHONE", "COMP", "APP TYPE", "PS", "SEX", "ED",
            "LEAD SOURCE", "APPT MADE", "APPT SCHEDULED", "APPT CONDUCTED", "EST",
            "TEST DATE", "QT", "PHYSICAL DATE", "PULHES", "WAIVER", "MOS", "NEXT ACTION",
            "NEXT ACTION DATE", "COUNSELOR", "DISPOSITION", "APPROVED MAKE",
            "APPROVED CONDUCT", "REMARKS"]

LAST_NAMES = ["SMITH", "JOHNSON", "WILLIAMS", "BROWN", "JONES", "GARCIA", "MILLER", "DAVIS",
              "RODRIGUEZ", "MARTINEZ", "HERNANDEZ", "LOPEZ", "GONZALEZ", "WILSON", "ANDERSON",
              "THOMAS", "TAYLOR", "MOORE", "JACKSON", "MARTIN", "LEE", "PEREZ", "THOMPSON",
              "WHITE", "HARRIS", "SANCHEZ", "CLARK", "RAMIREZ", "LEWIS", "ROBINSON", "WALKER",
              "YOUNG", "ALLEN", "KING", "WRIGHT", "SCOTT", "TORRES", "NGUYEN", "HILL", "FLORES"]
FIRST_NAMES = ["JOHN", "JAMES", "ROBERT", "MICHAEL", "WILLIAM", "DAVID", "RICHARD", "JOSEPH",
               "MARY", "PATRICIA", "JENNIFER", "LINDA", "ELIZABETH", "BARBARA", "SUSAN",
               "JESSICA", "CARLOS", "LUIS", "ANGELA", "KEVIN", "BRIAN", "ASHLEY", "NICOLE",
               "TYLER", "AARON", "JUSTIN", "MARIA", "ANA", "DANIEL", "MATTHEW"]
LEAD_SOURCES = ["REFERRAL", "WALK-IN", "TELEPHONE", "INTERNET", "COI", "SCHOOL", "EVENT"]
NEXT_ACTIONS = ["REVIEW", "TEST", "APPOINTMENT-INITIAL", "PHYSICAL", "PROCESS", "FOLLOW-UP",
                "APPOINTMENT-FOLLOW UP"]
DISPOSITIONS = ["", "", "", "CONDUCTED", "NO SHOW", "CANCELLED", "RESCHEDULED", "BAD CONDUCT"]
EDUCATION = ["11S", "12S", "109", "110", "111", "112", "GED", "12", "13", "14", "16"]
MOS = ["11B", "31B", "68W", "88M", "25U", "92Y", "42A", "15T", "91B", "35F"]
REMARKS = ["CALL BACK AFTER 5PM", "PARENTS CONSENT NEEDED", "WAITING ON TRANSCRIPT",
           "MED RECORDS REQUESTED", "INTERESTED IN BONUS", "HS SENIOR, GRAD JUNE",
           "NEEDS STUDY GUIDE", "TRANSPORT ARRANGED"]


def datetime_text(moment):
    """Date-time text as en_US writes it: 1/15/2008 10:30:00 AM."""
    hour = moment.hour % 12 or 12
    return "%d/%d/%d %d:%02d:%02d %s" % (moment.month, moment.day, moment.year, hour,
                                         moment.minute, moment.second,
                                         "AM" if moment.hour < 12 else "PM")


def date_text(day):
    return "%d/%d/%d" % (day.month, day.day, day.year)


def stations(rng):
    result = []
    while len(result) < 40:
        rsid = "%d%s%d%s" % (rng.randint(1, 9), rng.choice("ABCDEFGHJK"), rng.randint(1, 9),
                             rng.choice("ABCDEFGHJK"))
        if rsid not in result:
            result.append(rsid)
    return result


def recruiters(rng, rsids):
    """Per station five to eight recruiters; some terminated."""
    result = {}
    for rsid in rsids:
        names = []
        for _ in range(rng.randint(5, 8)):
            name = "%s, %s" % (rng.choice(LAST_NAMES), rng.choice(FIRST_NAMES))
            if rng.random() < 0.08:
                name += " *Term*"
            names.append(rsid + name)
        result[rsid] = names
    result[rsids[0]][0] = rsids[0] + "SMITH, JOHN"
    return result


def data_row(rng, index, rsids, staff, start):
    rsid = rng.choice(rsids)
    made = start + datetime.timedelta(minutes=rng.randint(0, 360 * 24 * 60),
                                      seconds=rng.choice((0, 0, 0, 15, 30, 45)))
    # Appointments are set on quarter hours of the working day.
    scheduled = datetime.datetime(made.year, made.month, made.day, rng.randint(8, 17),
                                  rng.choice((0, 15, 30, 45))) + datetime.timedelta(
                                      days=rng.randint(0, 21))
    conducted = rng.random() < 0.55
    tested = conducted and rng.random() < 0.6
    est = ""
    if conducted:
        est = str(rng.randint(20, 80))
        if rng.random() < 0.1:
            est += "*"
    row = [
        rsid,
        rng.choice(staff[rsid]),
        "%s, %s %s" % (rng.choice(LAST_NAMES), rng.choice(FIRST_NAMES),
                       chr(65 + index % 26)),
        "%03d-%03d-%04d" % (rng.randint(200, 989), rng.randint(200, 999), index % 10000),
        "A" if rng.random() < 0.8 else "R",
        rng.choice("NNNPPR"),
        rng.choice("NNNY"),
        rng.choice("MMMF"),
        rng.choice(EDUCATION),
        rng.choice(LEAD_SOURCES),
        datetime_text(made),
        datetime_text(scheduled) if rng.random() < 0.9 else "",
        datetime_text(scheduled + datetime.timedelta(minutes=rng.randint(0, 90)))
        if conducted else "",
        est,
        date_text(scheduled + datetime.timedelta(days=rng.randint(1, 10))) if tested else "",
        str(rng.randint(10, 99)) if tested else "",
        date_text(scheduled + datetime.timedelta(days=rng.randint(5, 30)))
        if tested and rng.random() < 0.5 else "",
        "111121" if tested and rng.random() < 0.4 else "",
        rng.choice(["", "", "", "", "", "MED", "MORAL"]),
        rng.choice(MOS) if rng.random() < 0.4 else "",
        rng.choice(NEXT_ACTIONS),
        datetime_text(scheduled + datetime.timedelta(days=rng.randint(1, 14),
                                                     minutes=15 * rng.randint(0, 30))),
        "SSG %s" % rng.choice(LAST_NAMES) if rng.random() < 0.5 else "",
        rng.choice(DISPOSITIONS),
        "Y" if rng.random() < 0.6 else "",
        "Y" if conducted and rng.random() < 0.7 else "",
        "%s (%d)" % (rng.choice(REMARKS), index) if rng.random() < 0.35 else "",
    ]
    return row


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--rows", type=int, default=65527)
    parser.add_argument("--seed", type=int, default=2008)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    rsids = stations(rng)
    staff = recruiters(rng, rsids)
    start = datetime.datetime(2008, 1, 2, 7, 0)

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("APL")
    sheet.write(0, 0, "APPLICANT PROCESSING LIST")
    sheet.write(1, 0, "BATTALION: 1ST RECRUITING BN")
    sheet.write(2, 0, "COMPANY: ALPHA")
    sheet.write(3, 0, "REPORT DATE: 12/31/2008 6:00:00 AM")
    sheet.write(5, 0, "ALL STATIONS")
    for column, heading in enumerate(HEADINGS):
        sheet.write(8, column, heading)
    for index in range(args.rows):
        row = sheet.row(9 + index)
        for column, text in enumerate(data_row(rng, index, rsids, staff, start)):
            if text:
                row.set_cell_text(column, text)
        if index % 4096 == 0:
            sheet.flush_row_data()
    book.save(args.out)


if __name__ == "__main__":
    main()

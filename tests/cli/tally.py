"""The pass/fail tally shared by the end-to-end checks: each check counts, a failure prints its
name and details, and finish() prints the closing "N passed, M failed" line and gives the exit
status."""

passed = failed = 0


def check(name, condition, detail=""):
    global passed, failed
    if condition:
        passed += 1
    else:
        failed += 1
        print("FAIL %s %s" % (name, detail))


def equal(name, actual, expected):
    check(name, actual == expected, "\n  expected %r\n  actual   %r" % (expected, actual))


def finish():
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0

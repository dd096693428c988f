#!/usr/bin/env python3
# Reference dates from Python's datetime for the Date tests: random moments of the years 1583
# to 9999, one per line. "fields SEED COUNT": Y M D h m s, seconds since 1904, ordinal + 2,
# weekday (1 Sunday .. 7), day of the year. "texts SEED COUNT": Y M D h m s|ShortDate|LongDate|
# AbbreviatedDate|ShortTime|LongTime under the C locale, the 12-hour clock showing the hour less
# 12 above 12 (00 at midnight, 12 at noon).
import random, sys
from datetime import datetime, timedelta

def clock(d, seconds):
    text = "%02d:%02d" % (d.hour - 12 if d.hour > 12 else d.hour, d.minute)
    return text + (":%02d" % d.second if seconds else "") + (" AM" if d.hour < 12 else " PM")

mode, seed, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng, first = random.Random(seed), datetime(1583, 1, 1)
span = int((datetime(9999, 12, 31, 23, 59, 59) - first).total_seconds())
for _ in range(count):
    d = first + timedelta(seconds=rng.randrange(span + 1))
    fields = "%d %d %d %d %d %d" % (d.year, d.month, d.day, d.hour, d.minute, d.second)
    if mode == "fields":
        print(fields, int((d - datetime(1904, 1, 1)).total_seconds()), d.toordinal() + 2,
              d.isoweekday() % 7 + 1, d.timetuple().tm_yday)
    else:
        print("|".join([fields, d.strftime("%m/%d/%Y"), d.strftime("%A, %B %d, %Y"),
                        d.strftime("%a, %b %d, %Y"), clock(d, False), clock(d, True)]))

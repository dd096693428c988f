#!/usr/bin/env python3
# Reference dates from Python's datetime (the proleptic Gregorian calendar), for the Date tests:
#   date_vectors.py fields SEED COUNT
#     random moments of the years 1583 to 9999, one per line:
#     Y M D h m s  total-seconds-since-1904  ordinal+2  weekday(1 Sunday..7)  day-of-year
#   date_vectors.py texts SEED COUNT
#     Y M D h m s|ShortDate|LongDate|AbbreviatedDate|ShortTime|LongTime, the texts under the C
#     locale with slashes in the short date, and a 12-hour clock that shows the hour less 12
#     above 12 (00 at midnight, 12 at noon).
import random, sys
from datetime import datetime, timedelta

EPOCH = datetime(1904, 1, 1)

def random_moment(rng):
    first, last = datetime(1583, 1, 1), datetime(9999, 12, 31, 23, 59, 59)
    return first + timedelta(seconds=rng.randrange(int((last - first).total_seconds()) + 1))

def fields(d):
    return "%d %d %d %d %d %d" % (d.year, d.month, d.day, d.hour, d.minute, d.second)

def clock(d, with_seconds):
    hour = d.hour - 12 if d.hour > 12 else d.hour
    text = "%02d:%02d" % (hour, d.minute) + (":%02d" % d.second if with_seconds else "")
    return text + (" AM" if d.hour < 12 else " PM")

def main(mode, seed, count):
    rng = random.Random(int(seed))
    for _ in range(int(count)):
        d = random_moment(rng)
        if mode == "fields":
            print(fields(d), int((d - EPOCH).total_seconds()), d.toordinal() + 2,
                  d.isoweekday() % 7 + 1, d.timetuple().tm_yday)
        else:
            print("|".join([fields(d), d.strftime("%m/%d/%Y"), d.strftime("%A, %B %d, %Y"),
                            d.strftime("%a, %b %d, %Y"), clock(d, False), clock(d, True)]))

if __name__ == "__main__":
    main(*sys.argv[1:4])

#!/usr/bin/env python3
"""Writes a CSV of N distinct products for vornreport's batch printing: UTF-8 with
Traditional Chinese names (all within code page 950), EAN-13 barcodes with valid check
digits, three prices.  Usage: gen_products.py N OUTPUT.csv"""
import random
import sys

BRANDS = ["台農", "山泉", "福德", "金禾", "長春", "新竹", "雙喜", "大同"]
ITEMS = [("烏龍茶", "瓶"), ("綠茶", "瓶"), ("紅茶", "罐"), ("麥茶", "包"), ("奶茶", "杯"),
         ("咖啡", "罐"), ("果汁", "瓶"), ("礦泉水", "瓶"), ("餅乾", "盒"), ("麵包", "個"),
         ("蛋糕", "盒"), ("醬油", "瓶"), ("米酒", "瓶"), ("豆腐", "盒"), ("牙膏", "條"),
         ("衛生紙", "串")]
SIZES = ["300ml", "600ml", "1.2L", "2入", "6入", "家庭號", "小包裝", "特大"]


def check_digit(digits):
    total = sum(int(d) * (3 if i % 2 == 0 else 1) for i, d in enumerate(reversed(digits)))
    return str((10 - total % 10) % 10)


def main():
    count, path = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(count)  # the same file for the same size, run after run
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write("PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,"
                  "SALE_PRICE,PSALE_PRICE,VIP_PRICE\n")
        for i in range(count):
            item, unit = ITEMS[i % len(ITEMS)]
            brand = BRANDS[(i // len(ITEMS)) % len(BRANDS)]
            size = SIZES[(i // (len(ITEMS) * len(BRANDS))) % len(SIZES)]
            body = "471%09d" % i
            suggested = rng.randrange(20, 2000)
            store = suggested - rng.randrange(0, suggested // 5 + 1)
            member = store - rng.randrange(0, store // 10 + 1)
            out.write("A%07d,%s,%s%s %s,%s,%s,%d,%d,%d\n" % (
                i, body + check_digit(body), brand, item, size, item, unit,
                suggested, store, member))


if __name__ == "__main__":
    main()

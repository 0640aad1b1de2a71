#!/usr/bin/env python3
# compare_workbooks.py BEFORE.xlsx AFTER.xlsx: every cell of every sheet of two profile workbooks
# compared by value and by its resolved format (font, alignment, wrap, borders); the rest of each
# sheet, the drawings and the relationships byte for byte. Prints the cells that differ, counted
# over the sheets. Used to check that a change to the writer leaves the workbook as it was.
import sys, zipfile, re
def load(p):
    z=zipfile.ZipFile(p)
    st=z.read('xl/styles.xml').decode()
    fonts=re.findall(r'<font>(.*?)</font>',st)
    borders=re.findall(r'<border>(.*?)</border>',st)
    xfs=re.findall(r'<xf numFmtId[^>]*?(?:/>|>.*?</xf>)',st.split('<cellXfs')[1])
    def res(i):
        x=xfs[i]; f=int(re.search(r'fontId="(\d+)"',x).group(1)); b=int(re.search(r'borderId="(\d+)"',x).group(1))
        al=re.search(r'<alignment([^/]*)/>',x)
        return (fonts[f], borders[b], al.group(1) if al else '')
    ss=[re.sub(r'<[^>]+>','',m) for m in re.findall(r'<si>(.*?)</si>',z.read('xl/sharedStrings.xml').decode())]
    sheets={}
    for n in z.namelist():
        m=re.match(r'xl/worksheets/sheet(\d+)\.xml$',n)
        if not m: continue
        x=z.read(n).decode()
        cells={}
        for c in re.finditer(r'<c r="([A-Z]+\d+)"( s="(\d+)")?( t="s")?(/>|><v>([^<]*)</v></c>)',x):
            v=c.group(6)
            if c.group(4) and v is not None: v=ss[int(v)]
            cells[c.group(1)]=(v,res(int(c.group(3) or 0)))
        rest=re.sub(r'<sheetData>.*</sheetData>','',x)
        sheets[int(m.group(1))]=(cells,rest)
    other={n:z.read(n) for n in z.namelist() if n.startswith('xl/drawings/') or '_rels' in n}
    return sheets,other
a,ao=load(sys.argv[1]); b,bo=load(sys.argv[2])
diffs={}
assert a.keys()==b.keys()
for i in a:
    ca,ra=a[i]; cb,rb=b[i]
    if ra!=rb: diffs.setdefault('sheet outside cells',0); diffs['sheet outside cells']+=1
    for r in set(ca)|set(cb):
        if ca.get(r)!=cb.get(r):
            k=(r, 'value' if (ca.get(r) or (None,))[0]!=(cb.get(r) or (None,))[0] else 'format')
            diffs[k]=diffs.get(k,0)+1
for n in set(ao)|set(bo):
    if ao.get(n)!=bo.get(n): diffs[n]=1
print(len(a),'sheets; differences:',diffs or 'none')

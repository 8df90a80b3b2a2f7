// The published properties of the grid and its option objects, for the component streams.
#include "controls/grid/qn_grid.h"

#define QN_BOOL_FIELD(C, Name, Def) \
  BoolProperty<C>(#Name, [](C& o) { return o.Name; }, [](C& o, bool v) { o.Name = v; }, Def)
#define QN_INT_FIELD(C, Name, Def) \
  IntProperty<C>(#Name, [](C& o) { return static_cast<int>(o.Name); }, \
                 [](C& o, int v) { o.Name = v; }, Def)
#define QN_STR_FIELD(C, Name) \
  StringProperty<C>(#Name, [](C& o) { return o.Name; }, [](C& o, const std::string& v) { o.Name = v; })
#define QN_ENUM_FIELD(C, Name, Names, Def) \
  EnumProperty<C>(#Name, Names, [](C& o) { return static_cast<int>(o.Name); }, \
                  [](C& o, int v) { o.Name = static_cast<decltype(o.Name)>(v); }, Def)
#define QN_ENUM_PROP(C, Name, Names, Def) \
  EnumProperty<C>(#Name, Names, [](C& o) { return static_cast<int>(o.Name()); }, \
                  [](C& o, int v) { o.Set##Name(static_cast<decltype(o.Name())>(v)); }, Def)
#define QN_BOOL_PROP(C, Name, Def) \
  BoolProperty<C>(#Name, [](C& o) { return o.Name(); }, [](C& o, bool v) { o.Set##Name(v); }, Def)
#define QN_INT_PROP(C, Name, Def) \
  IntProperty<C>(#Name, [](C& o) { return static_cast<int>(o.Name()); }, \
                 [](C& o, int v) { o.Set##Name(v); }, Def)

namespace {

void RegisterOptionClasses() {
  using N = TNavigation;
  RegisterPersistentClass<N>("TNavigation", "TPersistent", {
      QN_BOOL_FIELD(N, AllowInsertRow, false), QN_BOOL_FIELD(N, AllowDeleteRow, false),
      QN_BOOL_FIELD(N, AdvanceOnEnter, false), QN_BOOL_FIELD(N, AdvanceInsert, false),
      QN_BOOL_FIELD(N, AutoGotoWhenSorted, false), QN_BOOL_FIELD(N, AutoGotoIncremental, false),
      QN_ENUM_FIELD(N, AdvanceDirection, (std::vector<std::string>{"adLeftRight", "adTopBottom"}), 0),
      QN_BOOL_FIELD(N, AllowClipboardRowGrow, true), QN_BOOL_FIELD(N, AllowClipboardColGrow, true),
      QN_BOOL_FIELD(N, MoveRowOnSort, false), QN_BOOL_FIELD(N, AlwaysEdit, false),
      QN_BOOL_FIELD(N, CopyHTMLTagsToClipboard, true), QN_BOOL_FIELD(N, LineFeedOnEnter, false)});
  using M = TMouseActions;
  RegisterPersistentClass<M>("TMouseActions", "TPersistent", {
      QN_BOOL_FIELD(M, AllSelect, false), QN_BOOL_FIELD(M, ColSelect, false),
      QN_BOOL_FIELD(M, RowSelect, false), QN_BOOL_FIELD(M, DirectEdit, false),
      QN_BOOL_FIELD(M, DisjunctRowSelect, false), QN_BOOL_FIELD(M, AllColumnSize, false),
      QN_BOOL_FIELD(M, AllRowSize, false), QN_BOOL_FIELD(M, CaretPositioning, false)});
  using H = THTMLSettings;
  RegisterPersistentClass<H>("THTMLSettings", "TPersistent", {
      QN_INT_FIELD(H, BorderSize, 1), QN_INT_FIELD(H, CellSpacing, 0),
      QN_INT_FIELD(H, CellPadding, 0), QN_BOOL_FIELD(H, SaveColor, true),
      QN_BOOL_FIELD(H, SaveFonts, true), QN_STR_FIELD(H, FooterFile), QN_STR_FIELD(H, HeaderFile),
      QN_STR_FIELD(H, TableStyle), QN_INT_FIELD(H, Width, 100)});
  using B = TBands;
  RegisterPersistentClass<B>("TBands", "TPersistent", {
      QN_BOOL_PROP(B, Active, false), QN_INT_PROP(B, PrimaryColor, std::nullopt),
      QN_INT_PROP(B, PrimaryLength, 1), QN_INT_PROP(B, SecondaryColor, std::nullopt),
      QN_INT_PROP(B, SecondaryLength, 1), QN_BOOL_FIELD(B, Print, false)});
  using S = TColumnSize;
  RegisterPersistentClass<S>("TColumnSize", "TPersistent", {
      QN_BOOL_FIELD(S, Save, false), QN_STR_FIELD(S, Key), QN_STR_FIELD(S, Section),
      QN_BOOL_PROP(S, Stretch, false),
      QN_ENUM_FIELD(S, Location, (std::vector<std::string>{"clRegistry", "clInifile"}), 0)});
}

}  // namespace

void RegisterQnGridClasses() {
  static const bool registered = [] {
    RegisterOptionClasses();
    using G = TQnStringGrid;
    RegisterPersistentClass<G>("TQnStringGrid", "TComponent", {
        // Counts first: the fixed counts and sizes depend on them.
        QN_INT_PROP(G, ColCount, 5), QN_INT_PROP(G, RowCount, 5),
        QN_INT_PROP(G, FixedCols, 1), QN_INT_PROP(G, FixedRows, 1),
        QN_INT_PROP(G, DefaultColWidth, 64), QN_INT_PROP(G, DefaultRowHeight, 21),
        QN_INT_PROP(G, FixedFooters, 0), QN_INT_PROP(G, FixedRightCols, 0),
        QN_BOOL_FIELD(G, FixedRowAlways, false), QN_BOOL_FIELD(G, FixedColAlways, false),
        SetProperty<G>("Options",
                       {"goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine",
                        "goRangeSelect", "goDrawFocusSelected", "goRowSizing", "goColSizing",
                        "goRowMoving", "goColMoving", "goEditing", "goTabs", "goRowSelect",
                        "goAlwaysShowEditor", "goThumbTracking"},
                       [](G& g) { return static_cast<std::int64_t>(g.Options().Bits()); },
                       [](G& g, std::int64_t v) {
                         g.SetOptions(TGridOptions::FromBits(static_cast<std::uint64_t>(v)));
                       },
                       std::int64_t{0x1F}),
        QN_BOOL_FIELD(G, SortFull, true), QN_BOOL_FIELD(G, SortAutoFormat, true),
        QN_BOOL_PROP(G, SortShow, false), QN_BOOL_PROP(G, SortIndexShow, false),
        QN_INT_PROP(G, SortColumn, 0),
        QN_ENUM_FIELD(G, SortDirection, (std::vector<std::string>{"sdAscending", "sdDescending"}), 0),
        QN_BOOL_FIELD(G, SortFixedCols, false), QN_BOOL_FIELD(G, SortNormalCellsOnly, false),
        QN_BOOL_FIELD(G, Multilinecells, false), QN_BOOL_FIELD(G, EnableHTML, true),
        QN_BOOL_FIELD(G, OemConvert, false), QN_BOOL_PROP(G, WordWrap, false),
        QN_ENUM_PROP(G, VAlignment, (std::vector<std::string>{"vtaCenter", "vtaTop", "vtaBottom"}), 1),
        QN_BOOL_PROP(G, ShowSelection, true), QN_INT_PROP(G, SelectionColor, std::nullopt),
        QN_INT_PROP(G, SelectionTextColor, std::nullopt), QN_BOOL_PROP(G, URLShow, false),
        QN_INT_PROP(G, URLColor, std::nullopt), QN_STR_FIELD(G, FloatFormat),
        QN_INT_PROP(G, MaxEditLength, 0),
        ObjectProperty<G>("Navigation", [](G& g) -> TPersistent* { return &g.Navigation(); }),
        ObjectProperty<G>("MouseActions", [](G& g) -> TPersistent* { return &g.MouseActions(); }),
        ObjectProperty<G>("HTMLSettings", [](G& g) -> TPersistent* { return &g.HTMLSettings(); }),
        ObjectProperty<G>("Bands", [](G& g) -> TPersistent* { return &g.Bands(); }),
        ObjectProperty<G>("ColumnSize", [](G& g) -> TPersistent* { return &g.ColumnSize(); }),
        ObjectProperty<G>("ColumnHeaders", [](G& g) -> TPersistent* { return &g.ColumnHeaders(); })});
    return true;
  }();
  (void)registered;
}

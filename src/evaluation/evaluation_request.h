// The request of a sire evaluation (which cows form the comparison base, which sires are
// evaluated) and the two predicates that apply it to cow rows and to father codes.
#pragma once

#include <QString>

namespace korvel {

struct EvaluationRequest {
  int breed = 0;                 // KODPOROD of the breed evaluated
  int baseRegion = 0;            // 0: no region chosen
  int baseFarm = 0;              // 0: no farm chosen (or the region's archive farm)
  bool baseWithArchives = true;  // cows of the regions' archive farms (KODVLAD 0) belong to the base
  int bullRegion = 0;
  int bullFarm = 0;
  bool oneBull = false;          // only the bull whose code is bullCode
  QString bullCode;              // at most 20 characters
  bool bullsWithArchives = true;
};

// Whether a cow of the breed with these region and farm codes belongs to the comparison base.
// The base is decided row by row, whatever the cow's father link.
inline bool inComparisonBase(const EvaluationRequest& r, long long kodreg, long long kodvlad) {
  if (r.baseRegion == 0) return r.baseWithArchives || kodvlad != 0;
  if (r.baseFarm != 0) return kodreg == r.baseRegion && kodvlad == r.baseFarm;
  return kodreg == r.baseRegion && (r.baseWithArchives || kodvlad != 0);
}

// Whether every cow of the breed belongs to the comparison base, whatever her codes.
inline bool everyCowInBase(const EvaluationRequest& r) { return r.baseRegion == 0 && r.baseWithArchives; }

// How a father code is judged before any bull record is looked at.
enum class BullJudgement { Admit, Refuse, LookUp };
inline BullJudgement judgeWithoutLookup(const EvaluationRequest& r, const QString& code) {
  if (r.oneBull) return code == r.bullCode ? BullJudgement::Admit : BullJudgement::Refuse;
  if (r.bullRegion == 0 && r.bullsWithArchives) return BullJudgement::Admit;
  return BullJudgement::LookUp;
}

// Whether the bull whose BIK row carries these region and farm codes belongs to the bull set
// (for requests that look him up).
inline bool bullAdmitted(const EvaluationRequest& r, long long kodreg, long long kodvlad) {
  if (r.bullRegion == 0) return kodvlad != 0;  // every bull but the archives' ones
  if (r.bullFarm != 0) return kodreg == r.bullRegion && kodvlad == r.bullFarm;
  return kodreg == r.bullRegion && (r.bullsWithArchives || kodvlad != 0);
}

}  // namespace korvel
